#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "port/host_endpoint.h"
#include "port/message_queue.h"
#include "port/test_desktop.h"
#include "port/test_ui_thread.h"
#include "port/test_windows.h"

namespace port {
namespace {

constexpr std::chrono::seconds kDeadline(10);
constexpr UINT kPing = WM_APP + 1;
constexpr UINT kPong = WM_APP + 2;

TEST(WindowMessagesTest, OwnWindowHandlesStartAtTwoToTheThirtySecond) {
  RecordingWindow first;
  RecordingWindow second;
  ASSERT_TRUE(IsWindow(first.handle()));
  EXPECT_GE(reinterpret_cast<uintptr_t>(first.handle()), kFirstOwnWindowHandle);
  EXPECT_GT(reinterpret_cast<uintptr_t>(second.handle()),
            reinterpret_cast<uintptr_t>(first.handle()));
}

TEST(WindowMessagesTest, PostedMessagesArriveInOrderThenQuit) {
  RecordingWindow window;
  std::thread poster([&] {
    for (WPARAM i = 0; i < 50; ++i)
      EXPECT_TRUE(PostMessageW(window.handle(), kPing, i, 0));
    PostMessageW(window.handle(), kPong, 0, 0);
  });
  poster.join();
  PostQuitMessage(7);
  MSG msg;
  int got = 0;
  BOOL result;
  while ((result = GetMessageW(&msg, nullptr, 0, 0)) > 0) {
    DispatchMessageW(&msg);
    ++got;
  }
  EXPECT_EQ(0, result);
  EXPECT_EQ(static_cast<UINT>(WM_QUIT), msg.message);
  EXPECT_EQ(7u, msg.wParam);
  EXPECT_EQ(51, got);
  std::vector<RecordingWindow::Entry> pings = window.Received(kPing);
  ASSERT_EQ(50u, pings.size());
  for (WPARAM i = 0; i < pings.size(); ++i)
    EXPECT_EQ(i, pings[i].wparam);
  EXPECT_EQ(1u, window.Received(kPong).size());
}

TEST(WindowMessagesTest, PeekLeavesOrTakesTheMessage) {
  RecordingWindow window;
  ASSERT_TRUE(PostMessageW(window.handle(), kPing, 1, 2));
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(kPing, msg.message);
  EXPECT_EQ(window.handle(), msg.hwnd);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(2, msg.lParam);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST(WindowMessagesTest, PostToDestroyedWindowFails) {
  HWND gone;
  {
    RecordingWindow window;
    gone = window.handle();
  }
  EXPECT_FALSE(IsWindow(gone));
  EXPECT_FALSE(PostMessageW(gone, kPing, 0, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
}

TEST(WindowMessagesTest, SendRunsOnTheWindowsThreadAndReturnsItsResult) {
  TestUiThread ui;
  std::unique_ptr<RecordingWindow> window;
  ui.Run([&] {
    window = std::make_unique<RecordingWindow>();
    window->SetHandler(
        [](UINT message, WPARAM wparam, LPARAM, LRESULT* result) {
          if (message != kPing)
            return false;
          *result = static_cast<LRESULT>(wparam * 2);
          return true;
        });
  });
  EXPECT_EQ(84, SendMessageW(window->handle(), kPing, 42, 0));
  std::vector<RecordingWindow::Entry> pings = window->Received(kPing);
  ASSERT_EQ(1u, pings.size());
  EXPECT_EQ(ui.thread_id(), pings[0].thread_id);
  EXPECT_NE(GetCurrentThreadId(), pings[0].thread_id);
  ui.Run([&] { window.reset(); });
}

TEST(WindowMessagesTest, SenderKeepsServingSendsToItsOwnWindows) {
  // The UI thread's window answers a ping by sending a pong back to a
  // window of the sender, which is blocked in its own send.
  TestUiThread ui;
  RecordingWindow home;
  std::unique_ptr<RecordingWindow> remote;
  HWND home_handle = home.handle();
  home.SetHandler([](UINT message, WPARAM, LPARAM, LRESULT* result) {
    if (message != kPong)
      return false;
    *result = 5;
    return true;
  });
  ui.Run([&] {
    remote = std::make_unique<RecordingWindow>();
    remote->SetHandler(
        [home_handle](UINT message, WPARAM, LPARAM, LRESULT* result) {
          if (message != kPing)
            return false;
          *result = SendMessageW(home_handle, kPong, 0, 0) + 1;
          return true;
        });
  });
  EXPECT_EQ(6, SendMessageW(remote->handle(), kPing, 0, 0));
  std::vector<RecordingWindow::Entry> pongs = home.Received(kPong);
  ASSERT_EQ(1u, pongs.size());
  EXPECT_EQ(GetCurrentThreadId(), pongs[0].thread_id);
  ui.Run([&] { remote.reset(); });
}

TEST(WindowMessagesTest, SendToDestroyedWindowReturnsZeroAtOnce) {
  TestUiThread ui;
  HWND gone = nullptr;
  ui.Run([&] {
    RecordingWindow window;
    gone = window.handle();
  });
  EXPECT_EQ(0, SendMessageW(gone, kPing, 0, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
}

TEST(WindowMessagesTest, SendQueuedToWindowThatIsThenDestroyedReturnsZero) {
  TestUiThread ui;
  std::unique_ptr<RecordingWindow> window;
  ui.Run([&] {
    window = std::make_unique<RecordingWindow>();
    window->SetHandler([](UINT message, WPARAM, LPARAM, LRESULT* result) {
      *result = 99;
      return message == kPing;
    });
  });
  HWND handle = window->handle();
  // The UI thread is kept busy until the send waits in its queue, then
  // destroys the window before it serves anything.
  ui.Post([&] {
    std::shared_ptr<MessageQueue> queue = MessageQueue::Current();
    EXPECT_TRUE(TestDesktop::WaitUntil(
        [&] { return queue->PendingSends() == 1; }, kDeadline));
    window.reset();
  });
  std::atomic<bool> returned{false};
  LRESULT result = -1;
  std::thread sender([&] {
    result = SendMessageW(handle, kPing, 0, 0);
    returned = true;
  });
  EXPECT_TRUE(
      TestDesktop::WaitUntil([&] { return returned.load(); }, kDeadline));
  sender.join();
  EXPECT_EQ(0, result);
  ui.Run([] {});
  EXPECT_FALSE(IsWindow(handle));
}

TEST(WindowMessagesTest, SendsWaitingForAnEndedThreadReturnZero) {
  std::unique_ptr<RecordingWindow> window;
  HWND handle = nullptr;
  std::atomic<bool> sent{false};
  // The window is left to end with its thread.
  std::thread owner([&] {
    window = std::make_unique<RecordingWindow>();
    handle = window->handle();
  });
  owner.join();
  EXPECT_FALSE(IsWindow(handle));
  std::thread sender([&] {
    EXPECT_EQ(0, SendMessageW(handle, kPing, 0, 0));
    sent = true;
  });
  EXPECT_TRUE(TestDesktop::WaitUntil([&] { return sent.load(); }, kDeadline));
  sender.join();
}

TEST(WindowMessagesTest, DispatchLeavesWindowsOfOtherThreadsAlone) {
  TestUiThread ui;
  std::unique_ptr<RecordingWindow> window;
  ui.Run([&] { window = std::make_unique<RecordingWindow>(); });
  MSG msg = {};
  msg.hwnd = window->handle();
  msg.message = kPing;
  EXPECT_EQ(0, DispatchMessageW(&msg));
  EXPECT_TRUE(window->Received(kPing).empty());
  ui.Run([&] { window.reset(); });
}

TEST(WindowMessagesTest, OnlyTheOwnThreadDestroysAWindow) {
  TestUiThread ui;
  std::unique_ptr<RecordingWindow> window;
  ui.Run([&] { window = std::make_unique<RecordingWindow>(); });
  EXPECT_FALSE(DestroyWindow(window->handle()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  EXPECT_TRUE(IsWindow(window->handle()));
  ui.Run([&] { window.reset(); });
}

TEST(WindowMessagesTest, DestroyMessagesGoParentFirstThenChildrenFinalLast) {
  RecordingWindow parent;
  RecordingWindow child(parent.handle());
  HWND parent_handle = parent.handle();
  HWND child_handle = child.handle();
  std::vector<std::pair<HWND, UINT>> order;
  auto record = [&order](HWND window) {
    return [&order, window](UINT message, WPARAM, LPARAM, LRESULT*) {
      if (message == WM_DESTROY || message == WM_NCDESTROY)
        order.push_back({window, message});
      return false;
    };
  };
  parent.SetHandler(record(parent_handle));
  child.SetHandler(record(child_handle));
  ASSERT_TRUE(DestroyWindow(parent_handle));
  std::vector<std::pair<HWND, UINT>> expected = {{parent_handle, WM_DESTROY},
                                                 {child_handle, WM_DESTROY},
                                                 {child_handle, WM_NCDESTROY},
                                                 {parent_handle, WM_NCDESTROY}};
  EXPECT_EQ(expected, order);
  EXPECT_FALSE(IsWindow(child_handle));
}

TEST(WindowMessagesTest, CreationPassesTheCreateParameterAndText) {
  RecordingWindow window;
  std::vector<RecordingWindow::Entry> creates = window.Received(WM_NCCREATE);
  ASSERT_EQ(1u, creates.size());
  EXPECT_EQ(1u, window.Received(WM_CREATE).size());
  WCHAR text[32];
  EXPECT_EQ(9, GetWindowTextW(window.handle(), text, 32));
  EXPECT_EQ(std::u16string(u"recording"), text);
}

TEST(WindowMessagesTest, ClassesRegisterOnceAndAreFoundByName) {
  // Classes last as long as the process; each run of the test needs its own.
  static int run = 0;
  std::string number = std::to_string(run++);
  std::u16string name =
      u"PortTestRegisteredOnce" + std::u16string(number.begin(), number.end());
  std::u16string folded = name;
  for (char16_t& c : folded)
    c = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.style = CS_DBLCLKS;
  window_class.lpszClassName = name.c_str();
  EXPECT_NE(0, RegisterClassExW(&window_class));
  EXPECT_EQ(0, RegisterClassExW(&window_class));
  EXPECT_EQ(static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS), GetLastError());
  WNDCLASSEXW found = {};
  found.cbSize = sizeof(found);
  EXPECT_TRUE(GetClassInfoExW(nullptr, folded.c_str(), &found));
  EXPECT_EQ(static_cast<UINT>(CS_DBLCLKS), found.style);
  EXPECT_FALSE(GetClassInfoExW(nullptr, u"PortTestNeverRegistered", &found));
  EXPECT_EQ(nullptr,
            CreateWindowExW(0, u"PortTestNeverRegistered", u"", 0, 0, 0, 0, 0,
                            nullptr, nullptr, nullptr, nullptr));
}

TEST(WindowMessagesTest, BroadcastReachesTopLevelWindowsOnly) {
  RecordingWindow top;
  RecordingWindow hidden_top(nullptr, WS_POPUP);
  RecordingWindow child(top.handle());
  ASSERT_TRUE(PostMessageW(HWND_BROADCAST, kPing, 3, 0));
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    DispatchMessageW(&msg);
  EXPECT_EQ(1u, top.Received(kPing).size());
  EXPECT_EQ(1u, hidden_top.Received(kPing).size());
  EXPECT_TRUE(child.Received(kPing).empty());
}

TEST(RegisteredMessagesTest, SameNameSameNumberInTheRegisteredRange) {
  UINT first = RegisterWindowMessageW(u"PortTestMessage");
  EXPECT_GE(first, 0xC000u);
  EXPECT_LE(first, 0xFFFFu);
  EXPECT_EQ(first, RegisterWindowMessageW(u"PortTestMessage"));
  EXPECT_EQ(first, RegisterWindowMessageW(u"porttestmessage"));
  UINT other = RegisterWindowMessageW(u"PortTestOtherMessage");
  EXPECT_NE(first, other);
  EXPECT_GE(other, 0xC000u);
  std::thread elsewhere(
      [&] { EXPECT_EQ(first, RegisterWindowMessageW(u"PortTestMessage")); });
  elsewhere.join();
  EXPECT_EQ(0u, RegisterWindowMessageW(u""));
  EXPECT_EQ(0u, RegisterWindowMessageW(nullptr));
}

}  // namespace
}  // namespace port
