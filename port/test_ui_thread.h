// For tests: a thread that pumps window messages (GetMessageW, then
// TranslateMessage and DispatchMessageW) and runs tasks on itself, as the
// program's UI thread would. Owned by the test; Run/Post from any thread.
#ifndef PORT_TEST_UI_THREAD_H_
#define PORT_TEST_UI_THREAD_H_

#include <windows.h>

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace port {

class TestUiThread {
 public:
  // A hung thread cannot be joined, so a task that overruns this ends the
  // test binary instead of hanging it.
  static constexpr std::chrono::seconds kDeadline{20};

  TestUiThread() {
    thread_ = std::thread([this] { Main(); });
    std::unique_lock<std::mutex> hold(lock_);
    if (!changed_.wait_for(hold, kDeadline,
                           [this] { return task_window_ != nullptr; }))
      Abort("the UI thread did not start");
  }

  ~TestUiThread() {
    Post([] { PostQuitMessage(0); });
    std::unique_lock<std::mutex> hold(lock_);
    if (!changed_.wait_for(hold, kDeadline, [this] { return ended_; }))
      Abort("the UI thread did not end");
    hold.unlock();
    thread_.join();
  }

  TestUiThread(const TestUiThread&) = delete;
  TestUiThread& operator=(const TestUiThread&) = delete;

  // Runs |task| on the thread and waits until it has run.
  void Run(std::function<void()> task) {
    auto done = std::make_shared<Done>();
    Post([task, done] {
      task();
      std::lock_guard<std::mutex> hold(done->lock);
      done->ran = true;
      done->changed.notify_all();
    });
    std::unique_lock<std::mutex> hold(done->lock);
    if (!done->changed.wait_for(hold, kDeadline, [&] { return done->ran; }))
      Abort("a task on the UI thread did not finish");
  }

  // Queues |task| behind the messages already posted to the thread.
  void Post(std::function<void()> task) {
    auto* posted = new std::function<void()>(std::move(task));
    if (!PostMessageW(task_window_, kRunTask, 0,
                      reinterpret_cast<LPARAM>(posted))) {
      delete posted;
      Abort("could not post to the UI thread");
    }
  }

  DWORD thread_id() const { return thread_id_; }

 private:
  struct Done {
    std::mutex lock;
    std::condition_variable changed;
    bool ran = false;
  };

  static constexpr UINT kRunTask = WM_APP + 77;

  static void Abort(const char* why) {
    ADD_FAILURE() << why;
    fprintf(stderr, "%s\n", why);
    abort();
  }

  static LRESULT CALLBACK TaskWindowProcedure(HWND window,
                                              UINT message,
                                              WPARAM wparam,
                                              LPARAM lparam) {
    if (message != kRunTask)
      return DefWindowProcW(window, message, wparam, lparam);
    std::unique_ptr<std::function<void()>> task(
        reinterpret_cast<std::function<void()>*>(lparam));
    (*task)();
    return 0;
  }

  void Main() {
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = TaskWindowProcedure;
    window_class.lpszClassName = u"PortTestUiThreadTasks";
    RegisterClassExW(&window_class);  // already there after the first thread
    HWND window = CreateWindowExW(0, u"PortTestUiThreadTasks", u"", WS_POPUP, 0,
                                  0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    {
      std::lock_guard<std::mutex> hold(lock_);
      thread_id_ = GetCurrentThreadId();
      task_window_ = window;
      changed_.notify_all();
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    DestroyWindow(window);
    std::lock_guard<std::mutex> hold(lock_);
    ended_ = true;
    changed_.notify_all();
  }

  std::mutex lock_;
  std::condition_variable changed_;
  HWND task_window_ = nullptr;  // guarded by |lock_| until the start
  DWORD thread_id_ = 0;
  bool ended_ = false;  // guarded by |lock_|
  std::thread thread_;
};

}  // namespace port

#endif  // PORT_TEST_UI_THREAD_H_
