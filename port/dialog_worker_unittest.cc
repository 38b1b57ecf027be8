// The pattern the update dialog and its worker rely on: a modeless dialog
// on the UI thread, its loop ended by the dialog's Cancel handling, and a
// worker that reaches the dialog only by sends and owned message boxes,
// which must never hang once the dialog is gone.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "base/sys_string_conversions.h"
#include "port/resources.h"
#include "port/test_desktop.h"

namespace port {
namespace {

constexpr std::chrono::seconds kDeadline(10);
constexpr WORD kDialog = 9130;
constexpr int kProgress = 1000;
constexpr int kStatus = 1001;

// Cancel (and so WM_CLOSE) destroys the dialog and ends the loop with 2.
INT_PTR CALLBACK ClosingProcedure(HWND dialog,
                                  UINT message,
                                  WPARAM wparam,
                                  LPARAM) {
  if (message == WM_INITDIALOG)
    return TRUE;
  if (message == WM_COMMAND &&
      (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
    DestroyWindow(dialog);
    PostQuitMessage(LOWORD(wparam));
    return TRUE;
  }
  return FALSE;
}

int RunLoop() {
  MSG msg;
  BOOL result;
  while ((result = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
    if (result == -1)
      continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

TEST(DialogWorkerTest, WorkerSendsDriveTheDialogAndItsCloseEndsTheLoop) {
  TestDesktop desktop;
  std::atomic<int> exit_code{-1};
  std::atomic<HWND> dialog{nullptr};
  std::atomic<int> box_result{-1};
  std::thread ui([&] {
    HWND window = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(kDialog),
                                     nullptr, ClosingProcedure, 0);
    HWND bar = GetDlgItem(window, kProgress);
    dialog = window;
    std::thread worker([&, window, bar] {
      for (int percent = 0; percent <= 100; percent += 10)
        SendMessageW(bar, PBM_SETPOS, percent, 0);
      SetDlgItemTextW(window, kStatus, u"正在校验文件的MD5....");
      std::string text = base::WideToAnsi(u"文件MD5校验失败，更新操作被终止!");
      std::string caption = base::WideToAnsi(u"更新提示");
      box_result = MessageBoxA(window, text.c_str(), caption.c_str(), MB_OK);
      SendMessageW(window, WM_CLOSE, 0, 0);
    });
    exit_code = RunLoop();
    worker.join();
  });
  TestDesktop::PromptView box;
  ASSERT_TRUE(desktop.WaitForMessageBox(kDeadline, &box));
  EXPECT_EQ(u"文件MD5校验失败，更新操作被终止!", box.text);
  EXPECT_EQ(dialog.load(), box.owner);
  TestDesktop::WindowView bar;
  ASSERT_TRUE(desktop.ReadWindow(GetDlgItem(dialog, kProgress), &bar));
  EXPECT_EQ(100, bar.progress_position);
  TestDesktop::WindowView status;
  ASSERT_TRUE(desktop.ReadWindow(GetDlgItem(dialog, kStatus), &status));
  EXPECT_EQ(u"正在校验文件的MD5....", status.text);
  EXPECT_TRUE(desktop.AnswerMessageBox(IDOK));
  ASSERT_TRUE(TestDesktop::WaitUntil([&] { return exit_code.load() != -1; },
                                     kDeadline));
  ui.join();
  EXPECT_EQ(IDCANCEL, exit_code.load());
  EXPECT_EQ(IDOK, box_result.load());
  EXPECT_FALSE(IsWindow(dialog));
}

TEST(DialogWorkerTest, SendsAfterAnOutsideCloseReturnWhileTheUiThreadJoins) {
  TestDesktop desktop;
  std::atomic<int> exit_code{-1};
  std::atomic<HWND> dialog{nullptr};
  std::atomic<bool> keep_sending{true};
  std::atomic<int> sends_after_close{0};
  std::atomic<int> box_result{-1};
  std::thread ui([&] {
    HWND window = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(kDialog),
                                     nullptr, ClosingProcedure, 0);
    HWND bar = GetDlgItem(window, kProgress);
    std::thread worker([&, window, bar] {
      while (keep_sending)
        SendMessageW(bar, PBM_SETPOS, 50, 0);
      // The UI thread no longer pumps: it waits in the join below.
      for (int i = 0; i < 100; ++i) {
        if (SendMessageW(bar, PBM_SETPOS, 60, 0) == 0)
          ++sends_after_close;
      }
      box_result = MessageBoxA(window, "t", "c", MB_OK);
      SendMessageW(window, WM_CLOSE, 0, 0);
    });
    dialog = window;
    exit_code = RunLoop();
    keep_sending = false;
    worker.join();
  });
  ASSERT_TRUE(TestDesktop::WaitUntil([&] { return dialog.load() != nullptr; },
                                     kDeadline));
  ASSERT_TRUE(PostMessageW(dialog, WM_CLOSE, 0, 0));
  ASSERT_TRUE(TestDesktop::WaitUntil([&] { return exit_code.load() != -1; },
                                     kDeadline));
  ASSERT_TRUE(TestDesktop::WaitUntil([&] { return box_result.load() != -1; },
                                     kDeadline));
  ui.join();
  EXPECT_EQ(IDCANCEL, exit_code.load());
  EXPECT_EQ(100, sends_after_close.load());
  // The box's owner was gone, so no box was shown.
  EXPECT_EQ(0, box_result.load());
  EXPECT_TRUE(desktop.MessageBoxes().empty());
}

}  // namespace
}  // namespace port
