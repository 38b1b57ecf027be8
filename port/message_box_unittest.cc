#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>
#include <stdio.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "base/sys_string_conversions.h"
#include "port/test_desktop.h"
#include "port/test_ui_thread.h"
#include "port/test_windows.h"

namespace port {
namespace {

constexpr std::chrono::seconds kDeadline(10);
constexpr UINT kPing = WM_APP + 3;

// Collects what the code under test writes to standard error.
class StderrCapture {
 public:
  StderrCapture() {
    fflush(stderr);
    file_ = tmpfile();
    saved_ = dup(2);
    dup2(fileno(file_), 2);
  }
  ~StderrCapture() {
    Restore();
    fclose(file_);
  }
  std::string Text() {
    Restore();
    std::string text;
    rewind(file_);
    char buffer[512];
    size_t got;
    while ((got = fread(buffer, 1, sizeof(buffer), file_)) > 0)
      text.append(buffer, got);
    return text;
  }

 private:
  void Restore() {
    if (saved_ < 0)
      return;
    fflush(stderr);
    dup2(saved_, 2);
    close(saved_);
    saved_ = -1;
  }

  FILE* file_;
  int saved_;
};

TEST(MessageBoxTest, HeldOpenUntilTheTestAnswers) {
  TestDesktop desktop;
  std::string text = base::WideToAnsi(u"更新时发生未知错误");
  std::string caption = base::WideToAnsi(u"更新提示");
  std::atomic<int> result{-1};
  std::thread worker([&] {
    result = MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
  });
  TestDesktop::PromptView box;
  ASSERT_TRUE(desktop.WaitForMessageBox(kDeadline, &box));
  EXPECT_EQ(u"更新提示", box.caption);
  EXPECT_EQ(u"更新时发生未知错误", box.text);
  EXPECT_EQ(static_cast<UINT>(MB_OK), box.type);
  EXPECT_EQ(-1, result.load());
  EXPECT_TRUE(desktop.AnswerMessageBox(IDOK));
  EXPECT_FALSE(desktop.AnswerMessageBox(IDOK));
  ASSERT_TRUE(
      TestDesktop::WaitUntil([&] { return result.load() != -1; }, kDeadline));
  worker.join();
  EXPECT_EQ(IDOK, result.load());
  EXPECT_EQ(1u, desktop.MessageBoxes().size());
}

TEST(MessageBoxTest, WaitingThreadKeepsServingItsWindows) {
  TestDesktop desktop;
  TestUiThread ui;
  std::unique_ptr<RecordingWindow> window;
  ui.Run([&] {
    window = std::make_unique<RecordingWindow>();
    window->SetHandler([](UINT message, WPARAM, LPARAM, LRESULT* result) {
      *result = 11;
      return message == kPing;
    });
  });
  std::atomic<int> result{-1};
  ui.Post([&] {
    result = MessageBoxW(window->handle(), u"text", u"caption", MB_OK);
  });
  TestDesktop::PromptView box;
  ASSERT_TRUE(desktop.WaitForMessageBox(kDeadline, &box));
  EXPECT_EQ(window->handle(), box.owner);
  // Sent and posted messages are served while the box is open.
  EXPECT_EQ(11, SendMessageW(window->handle(), kPing, 0, 0));
  ASSERT_TRUE(PostMessageW(window->handle(), kPing, 1, 0));
  ASSERT_TRUE(TestDesktop::WaitUntil(
      [&] { return window->Received(kPing).size() == 2; }, kDeadline));
  EXPECT_EQ(-1, result.load());
  EXPECT_TRUE(desktop.AnswerMessageBox(IDCANCEL));
  ui.Run([] {});
  EXPECT_EQ(IDCANCEL, result.load());
  ui.Run([&] { window.reset(); });
}

TEST(MessageBoxTest, InvalidOwnerFailsWithoutABox) {
  TestDesktop desktop;
  HWND gone;
  {
    RecordingWindow window;
    gone = window.handle();
  }
  EXPECT_EQ(0, MessageBoxA(gone, "text", "caption", MB_OK));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
  EXPECT_TRUE(desktop.MessageBoxes().empty());
}

TEST(MessageBoxTest, OwnerDestroyedWhileOpenEndsTheBox) {
  TestDesktop desktop;
  TestUiThread ui;
  std::unique_ptr<RecordingWindow> owner;
  ui.Run([&] { owner = std::make_unique<RecordingWindow>(); });
  std::atomic<int> result{-1};
  std::thread worker(
      [&] { result = MessageBoxA(owner->handle(), "t", "c", MB_OK); });
  TestDesktop::PromptView box;
  ASSERT_TRUE(desktop.WaitForMessageBox(kDeadline, &box));
  ui.Run([&] { owner.reset(); });
  ASSERT_TRUE(
      TestDesktop::WaitUntil([&] { return result.load() != -1; }, kDeadline));
  worker.join();
  EXPECT_EQ(0, result.load());
  EXPECT_FALSE(desktop.AnswerMessageBox(IDOK));
}

TEST(MessageBoxTest, AutomaticAnswerAnswersAtOnce) {
  TestDesktop desktop;
  desktop.SetAutomaticAnswer(IDOK);
  EXPECT_EQ(IDOK, MessageBoxA(nullptr, "a", "b", MB_OK));
  EXPECT_EQ(IDOK, MessageBoxA(nullptr, "c", "d", MB_OK));
  ASSERT_EQ(2u, desktop.MessageBoxes().size());
  EXPECT_EQ(u"c", desktop.MessageBoxes()[1].text);
}

TEST(MessageBoxTest, HeadlessBoxIsOneLineAndAnsweredOk) {
  RecordingWindow owner;
  std::string text = base::WideToAnsi(u"文件MD5校验失败，更新操作被终止!");
  std::string caption = base::WideToAnsi(u"更新提示");
  StderrCapture capture;
  EXPECT_EQ(IDOK,
            MessageBoxA(owner.handle(), text.c_str(), caption.c_str(), MB_OK));
  EXPECT_EQ(IDYES, MessageBoxA(nullptr, "question", nullptr, MB_YESNO));
  EXPECT_EQ("更新提示: 文件MD5校验失败，更新操作被终止!\nError: question\n",
            capture.Text());
}

TEST(MessageBoxTest, HeadlessBalloonIsOneLineAndEmptyTextNone) {
  RecordingWindow owner;
  NOTIFYICONDATAW data = {};
  data.cbSize = sizeof(NOTIFYICONDATAW);
  data.hWnd = owner.handle();
  data.uID = 5;
  StderrCapture capture;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
  data.uFlags = NIF_INFO;
  std::u16string text = u"发现新的版本:2.0 正在下载安装文件...";
  std::copy(text.begin(), text.end(), data.szInfo);
  std::u16string title = u"更新提示";
  std::copy(title.begin(), title.end(), data.szInfoTitle);
  EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data));
  data.szInfo[0] = 0;
  EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data));
  EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
  EXPECT_EQ("更新提示: 发现新的版本:2.0 正在下载安装文件...\n", capture.Text());
}

}  // namespace
}  // namespace port
