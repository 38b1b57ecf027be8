#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "port/resources.h"
#include "port/screen.h"
#include "port/test_desktop.h"
#include "port/test_ui_thread.h"

namespace port {
namespace {

constexpr std::chrono::seconds kDeadline(10);
constexpr WORD kProgressDialog = 9129;
constexpr WORD kModalBox = 9100;
constexpr WORD kIcon = 9128;
constexpr int kProgress = 1000;
constexpr int kStatus = 1001;

// What the dialog procedure saw, for the test thread to read.
struct Seen {
  std::mutex lock;
  std::vector<UINT> messages;
  std::vector<WPARAM> commands;
  std::vector<WPARAM> system_commands;
  LPARAM init_param = 0;
  bool controls_at_init = false;
  // Behaviour the test chooses.
  bool hide_on_minimize = true;
  INT_PTR init_result = TRUE;

  std::vector<WPARAM> Commands() {
    std::lock_guard<std::mutex> hold(lock);
    return commands;
  }
  std::vector<WPARAM> SystemCommands() {
    std::lock_guard<std::mutex> hold(lock);
    return system_commands;
  }
};

INT_PTR CALLBACK RecordingDialogProcedure(HWND dialog,
                                          UINT message,
                                          WPARAM wparam,
                                          LPARAM lparam) {
  if (message == WM_INITDIALOG)
    SetWindowLongPtrW(dialog, DWLP_USER, lparam);
  Seen* seen = reinterpret_cast<Seen*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (!seen)
    return FALSE;
  std::lock_guard<std::mutex> hold(seen->lock);
  seen->messages.push_back(message);
  switch (message) {
    case WM_INITDIALOG:
      seen->init_param = lparam;
      seen->controls_at_init =
          GetDlgItem(dialog, kProgress) && GetDlgItem(dialog, kStatus);
      return seen->init_result;
    case WM_COMMAND:
      seen->commands.push_back(wparam);
      return TRUE;
    case WM_SYSCOMMAND:
      seen->system_commands.push_back(wparam);
      if ((wparam & 0xFFF0) == SC_MINIMIZE && seen->hide_on_minimize) {
        ShowWindow(dialog, SW_HIDE);
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK ModalProcedure(HWND dialog,
                                UINT message,
                                WPARAM wparam,
                                LPARAM) {
  if (message == WM_INITDIALOG)
    return TRUE;
  if (message == WM_COMMAND && LOWORD(wparam) >= IDOK &&
      LOWORD(wparam) <= IDNO) {
    EndDialog(dialog, LOWORD(wparam));
    return TRUE;
  }
  return FALSE;
}

class DialogsTest : public testing::Test {
 protected:
  void SetUp() override {
    ui_.Run([this] {
      dialog_ = CreateDialogParamW(
          GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kProgressDialog), nullptr,
          RecordingDialogProcedure, reinterpret_cast<LPARAM>(&seen_));
    });
    ASSERT_NE(nullptr, dialog_);
  }

  void TearDown() override {
    ui_.Run([this] {
      if (IsWindow(dialog_))
        DestroyWindow(dialog_);
    });
  }

  TestDesktop::WindowView Read(HWND window) {
    TestDesktop::WindowView view;
    EXPECT_TRUE(desktop_.ReadWindow(window, &view));
    return view;
  }

  // Lets the UI thread work through what is queued for it now.
  void Drain() {
    ui_.Run([] {});
  }

  TestDesktop desktop_;
  Seen seen_;
  TestUiThread ui_;
  HWND dialog_ = nullptr;
};

TEST_F(DialogsTest, InitDialogComesAfterTheControlsWithTheInitParameter) {
  std::lock_guard<std::mutex> hold(seen_.lock);
  ASSERT_FALSE(seen_.messages.empty());
  EXPECT_EQ(static_cast<UINT>(WM_INITDIALOG), seen_.messages.front());
  EXPECT_EQ(reinterpret_cast<LPARAM>(&seen_), seen_.init_param);
  EXPECT_TRUE(seen_.controls_at_init);
}

TEST_F(DialogsTest, TemplateGivesHiddenDialogWithItsTextsAndControls) {
  TestDesktop::WindowView dialog = Read(dialog_);
  EXPECT_FALSE(dialog.visible);
  EXPECT_EQ(u"自动更新", dialog.text);
  EXPECT_EQ(std::u16string(WC_DIALOG), dialog.class_name);
  TestDesktop::WindowView status = Read(GetDlgItem(dialog_, kStatus));
  EXPECT_EQ(u"正在准备安装文件....", status.text);
  EXPECT_TRUE(status.style & WS_CHILD);
  TestDesktop::WindowView bar = Read(GetDlgItem(dialog_, kProgress));
  EXPECT_EQ(std::u16string(PROGRESS_CLASSW), bar.class_name);
  EXPECT_EQ(kProgress, bar.id);
  EXPECT_EQ(nullptr, GetDlgItem(dialog_, 4242));
  // The child is visible only with its dialog.
  EXPECT_FALSE(bar.visible);
  ShowWindow(dialog_, SW_SHOWNORMAL);
  EXPECT_TRUE(Read(GetDlgItem(dialog_, kProgress)).visible);
}

TEST_F(DialogsTest, DialogExistsWhateverInitDialogReturns) {
  Seen refusing;
  refusing.init_result = FALSE;
  HWND dialog = nullptr;
  ui_.Run([&] {
    dialog = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(kProgressDialog),
                                nullptr, RecordingDialogProcedure,
                                reinterpret_cast<LPARAM>(&refusing));
  });
  EXPECT_TRUE(IsWindow(dialog));
  ui_.Run([&] { DestroyWindow(dialog); });
}

TEST_F(DialogsTest, MissingTemplateCreatesNothing) {
  HWND dialog = reinterpret_cast<HWND>(1);
  ui_.Run([&] {
    dialog = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(9999), nullptr,
                                RecordingDialogProcedure, 0);
  });
  EXPECT_EQ(nullptr, dialog);
}

TEST_F(DialogsTest, CloseBecomesTheCancelCommand) {
  ASSERT_TRUE(PostMessageW(dialog_, WM_CLOSE, 0, 0));
  Drain();
  Drain();
  ASSERT_EQ(1u, seen_.Commands().size());
  EXPECT_EQ(static_cast<WPARAM>(IDCANCEL), LOWORD(seen_.Commands()[0]));
  EXPECT_TRUE(IsWindow(dialog_));
}

TEST_F(DialogsTest, GreyedCloseCommandDisablesTheCloseBox) {
  EXPECT_TRUE(desktop_.ClickCloseBox(dialog_));
  Drain();
  Drain();
  ASSERT_EQ(1u, seen_.Commands().size());

  ui_.Run([this] {
    HMENU menu = GetSystemMenu(dialog_, FALSE);
    EXPECT_EQ(static_cast<BOOL>(MF_ENABLED),
              EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED));
    EXPECT_TRUE(GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED);
  });
  EXPECT_FALSE(desktop_.ClickCloseBox(dialog_));
  // Even a close command sent by hand does nothing while it is greyed.
  ui_.Run([this] { SendMessageW(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0); });
  Drain();
  EXPECT_EQ(1u, seen_.Commands().size());
  EXPECT_TRUE(IsWindow(dialog_));
}

TEST_F(DialogsTest, MinimizeBoxReachesTheDialogProcedure) {
  ShowWindow(dialog_, SW_SHOWNORMAL);
  ASSERT_TRUE(desktop_.ClickMinimizeBox(dialog_));
  Drain();
  ASSERT_EQ(1u, seen_.SystemCommands().size());
  EXPECT_EQ(static_cast<WPARAM>(SC_MINIMIZE),
            seen_.SystemCommands()[0] & 0xFFF0);
  TestDesktop::WindowView view = Read(dialog_);
  EXPECT_FALSE(view.visible);
  EXPECT_FALSE(view.minimized);
}

TEST_F(DialogsTest, UnhandledMinimizeMinimizes) {
  {
    std::lock_guard<std::mutex> hold(seen_.lock);
    seen_.hide_on_minimize = false;
  }
  ShowWindow(dialog_, SW_SHOWNORMAL);
  ASSERT_TRUE(desktop_.ClickMinimizeBox(dialog_));
  Drain();
  EXPECT_TRUE(IsIconic(dialog_));
  EXPECT_TRUE(IsWindowVisible(dialog_));
  ShowWindow(dialog_, SW_SHOWNORMAL);
  EXPECT_FALSE(IsIconic(dialog_));
}

TEST_F(DialogsTest, ShowAndHideReportThePreviousVisibility) {
  EXPECT_FALSE(ShowWindow(dialog_, SW_SHOWNORMAL));
  EXPECT_TRUE(IsWindowVisible(dialog_));
  EXPECT_EQ(dialog_, GetActiveWindow());
  EXPECT_TRUE(ShowWindow(dialog_, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(dialog_));
  EXPECT_FALSE(ShowWindow(dialog_, SW_HIDE));
}

TEST_F(DialogsTest, KeysDoNothingWithoutDialogKeyboardHandling) {
  ShowWindow(dialog_, SW_SHOWNORMAL);
  EXPECT_TRUE(desktop_.PressKey(dialog_, VK_ESCAPE));
  EXPECT_TRUE(desktop_.PressKey(dialog_, VK_RETURN));
  Drain();
  Drain();
  EXPECT_TRUE(seen_.Commands().empty());
  EXPECT_TRUE(IsWindowVisible(dialog_));
}

TEST_F(DialogsTest, DialogKeyboardHandlingTurnsKeysIntoCommands) {
  ui_.Run([this] {
    MSG escape = {dialog_, WM_KEYDOWN, VK_ESCAPE, 1, 0, {0, 0}};
    MSG enter = {dialog_, WM_KEYDOWN, VK_RETURN, 1, 0, {0, 0}};
    EXPECT_TRUE(IsDialogMessageW(dialog_, &escape));
    EXPECT_TRUE(IsDialogMessageW(dialog_, &enter));
    MSG elsewhere = {nullptr, WM_KEYDOWN, VK_ESCAPE, 1, 0, {0, 0}};
    EXPECT_FALSE(IsDialogMessageW(dialog_, &elsewhere));
  });
  std::vector<WPARAM> commands = seen_.Commands();
  ASSERT_EQ(2u, commands.size());
  EXPECT_EQ(static_cast<WPARAM>(IDCANCEL), LOWORD(commands[0]));
  EXPECT_EQ(static_cast<WPARAM>(IDOK), LOWORD(commands[1]));
}

TEST_F(DialogsTest, SizeComesFromDialogUnitsAndMovesKeepIt) {
  RECT client;
  ASSERT_TRUE(GetClientRect(dialog_, &client));
  RECT expected_client = {0, 0, (287 * 6 + 2) / 4, (39 * 13 + 4) / 8};
  EXPECT_EQ(expected_client.right, client.right);
  EXPECT_EQ(expected_client.bottom, client.bottom);
  RECT before;
  ASSERT_TRUE(GetWindowRect(dialog_, &before));
  ASSERT_TRUE(SetWindowPos(dialog_, nullptr, 100, 200, -1, -1,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
  RECT after;
  ASSERT_TRUE(GetWindowRect(dialog_, &after));
  EXPECT_EQ(100, after.left);
  EXPECT_EQ(200, after.top);
  EXPECT_EQ(before.right - before.left, after.right - after.left);
  EXPECT_EQ(before.bottom - before.top, after.bottom - after.top);
  EXPECT_FALSE(IsWindowVisible(dialog_));
  EXPECT_NE(dialog_, GetActiveWindow());
  // A child's window rectangle follows its dialog on the screen.
  RECT bar;
  ASSERT_TRUE(GetWindowRect(GetDlgItem(dialog_, kProgress), &bar));
  EXPECT_GT(bar.left, after.left);
  EXPECT_GT(bar.top, after.top);
}

TEST_F(DialogsTest, MonitorInfoGivesTheDesktopsWorkArea) {
  RECT bounds = {0, 0, 800, 600};
  RECT work = {0, 30, 800, 600};
  SetScreen(bounds, work);
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  ASSERT_TRUE(GetMonitorInfoW(
      MonitorFromWindow(dialog_, MONITOR_DEFAULTTONEAREST), &info));
  EXPECT_EQ(30, info.rcWork.top);
  EXPECT_EQ(800, info.rcMonitor.right);
  EXPECT_EQ(800, GetSystemMetrics(SM_CXSCREEN));
  SetScreen({0, 0, 1920, 1080}, {0, 0, 1920, 1040});
  info.cbSize = 4;
  EXPECT_FALSE(GetMonitorInfoW(
      MonitorFromWindow(dialog_, MONITOR_DEFAULTTONEAREST), &info));
}

TEST_F(DialogsTest, ProgressBarKeepsItsPositionWithinItsRange) {
  HWND bar = GetDlgItem(dialog_, kProgress);
  // From another thread, as the worker does: each send waits for the UI.
  EXPECT_EQ(MAKELRESULT(0, 100),
            SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 50)));
  EXPECT_EQ(0, SendMessageW(bar, PBM_SETPOS, 20, 0));
  EXPECT_EQ(20, SendMessageW(bar, PBM_GETPOS, 0, 0));
  EXPECT_EQ(20, SendMessageW(bar, PBM_SETPOS, 80, 0));
  EXPECT_EQ(50, Read(bar).progress_position);
  SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(-5), 0);
  EXPECT_EQ(0, SendMessageW(bar, PBM_GETPOS, 0, 0));
  PBRANGE range = {};
  EXPECT_EQ(0, SendMessageW(bar, PBM_GETRANGE, TRUE,
                            reinterpret_cast<LPARAM>(&range)));
  EXPECT_EQ(50, range.iHigh);
}

TEST_F(DialogsTest, ItemTextSetFromAnotherThreadIsReadBack) {
  EXPECT_TRUE(SetDlgItemTextW(dialog_, kStatus, u"正在校验文件的MD5...."));
  EXPECT_EQ(u"正在校验文件的MD5....", Read(GetDlgItem(dialog_, kStatus)).text);
  WCHAR text[8];
  EXPECT_EQ(7u, GetDlgItemTextW(dialog_, kStatus, text, 8));
  EXPECT_EQ(std::u16string(u"正在校验文件的"), text);
  EXPECT_FALSE(SetDlgItemTextW(dialog_, 4242, u"x"));
  ui_.Run([this] { DestroyWindow(dialog_); });
  EXPECT_FALSE(SetDlgItemTextW(dialog_, kStatus, u"gone"));
}

TEST_F(DialogsTest, WindowIconsComeFromTheIconGroupAtTheSystemSizes) {
  HICON big = static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIcon), IMAGE_ICON,
                 GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  HICON small = static_cast<HICON>(LoadImageW(
      GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIcon), IMAGE_ICON,
      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  ASSERT_NE(nullptr, big);
  ASSERT_NE(nullptr, small);
  IconDescription description;
  ASSERT_TRUE(DescribeIcon(big, &description));
  EXPECT_EQ(kIcon, description.group_id);
  EXPECT_EQ(32, description.width);
  EXPECT_EQ(32, description.image->width);
  ASSERT_TRUE(DescribeIcon(small, &description));
  EXPECT_EQ(16, description.image->width);
  EXPECT_EQ(0, SendMessageW(dialog_, WM_SETICON, ICON_BIG,
                            reinterpret_cast<LPARAM>(big)));
  SendMessageW(dialog_, WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(small));
  EXPECT_EQ(big, Read(dialog_).big_icon);
  EXPECT_EQ(small, Read(dialog_).small_icon);
  EXPECT_EQ(reinterpret_cast<LRESULT>(big),
            SendMessageW(dialog_, WM_SETICON, ICON_BIG,
                         reinterpret_cast<LPARAM>(small)));
  EXPECT_EQ(nullptr,
            LoadImageW(nullptr, MAKEINTRESOURCEW(9999), IMAGE_ICON, 32, 32, 0));
  EXPECT_TRUE(DestroyIcon(big));
  EXPECT_FALSE(DescribeIcon(big, &description));
  EXPECT_TRUE(DestroyIcon(small));
}

TEST_F(DialogsTest, IconSizeChoosesTheClosestImage) {
  const struct {
    int size;
    int image;
  } kCases[] = {{16, 16},  {20, 32},   {48, 48},
                {64, 256}, {256, 256}, {300, 256}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.size);
    HICON icon = static_cast<HICON>(LoadImageW(nullptr, MAKEINTRESOURCEW(kIcon),
                                               IMAGE_ICON, c.size, c.size, 0));
    IconDescription description;
    ASSERT_TRUE(DescribeIcon(icon, &description));
    EXPECT_EQ(c.image, description.image->width);
    DestroyIcon(icon);
  }
}

TEST_F(DialogsTest, ModalDialogRunsUntilItsButtonEndsIt) {
  std::atomic<INT_PTR> result{-2};
  ui_.Post([&] {
    result = DialogBoxParamW(nullptr, MAKEINTRESOURCEW(kModalBox), dialog_,
                             ModalProcedure, 0);
  });
  HWND box = nullptr;
  ASSERT_TRUE(TestDesktop::WaitUntil(
      [&] { return (box = desktop_.FindTopLevelWindow(u"About")) != nullptr; },
      kDeadline));
  EXPECT_TRUE(IsWindowVisible(box));
  EXPECT_FALSE(IsWindowEnabled(dialog_));
  EXPECT_EQ(dialog_, GetParent(box));
  // The UI thread keeps serving sends while the box is open.
  EXPECT_EQ(0, SendMessageW(GetDlgItem(dialog_, kProgress), PBM_SETPOS, 10, 0));
  EXPECT_TRUE(desktop_.ClickButton(box, IDOK));
  ASSERT_TRUE(
      TestDesktop::WaitUntil([&] { return result.load() != -2; }, kDeadline));
  EXPECT_EQ(IDOK, result.load());
  EXPECT_FALSE(IsWindow(box));
  EXPECT_TRUE(IsWindowEnabled(dialog_));
}

}  // namespace
}  // namespace port
