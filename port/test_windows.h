// For tests: a top-level window class whose procedure records every message
// it receives and can be given a handler, so that tests can see what the
// window was sent or posted. Owned by the test; the log is read from any
// thread.
#ifndef PORT_TEST_WINDOWS_H_
#define PORT_TEST_WINDOWS_H_

#include <windows.h>

#include <functional>
#include <mutex>
#include <vector>

namespace port {

class RecordingWindow {
 public:
  struct Entry {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    DWORD thread_id;
  };
  using Handler = std::function<bool(UINT, WPARAM, LPARAM, LRESULT*)>;

  // Creates the window on the calling thread; |parent| makes it a child.
  explicit RecordingWindow(HWND parent = nullptr,
                           DWORD style = WS_OVERLAPPEDWINDOW) {
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = Procedure;
    window_class.lpszClassName = u"PortTestRecordingWindow";
    RegisterClassExW(&window_class);  // already there after the first window
    handle_ = CreateWindowExW(0, u"PortTestRecordingWindow", u"recording",
                              parent ? (style | WS_CHILD) : style, 0, 0, 100,
                              100, parent, nullptr, nullptr, this);
  }
  // Call on the window's thread, or after that thread has ended.
  ~RecordingWindow() {
    if (IsWindow(handle_))
      DestroyWindow(handle_);
  }
  RecordingWindow(const RecordingWindow&) = delete;
  RecordingWindow& operator=(const RecordingWindow&) = delete;

  HWND handle() const { return handle_; }

  // Runs on the window's thread before recording; returning true makes the
  // message handled with |*result|.
  void SetHandler(Handler handler) {
    std::lock_guard<std::mutex> hold(lock_);
    handler_ = std::move(handler);
  }

  std::vector<Entry> Log() const {
    std::lock_guard<std::mutex> hold(lock_);
    return log_;
  }

  // The messages received with this number, in order.
  std::vector<Entry> Received(UINT message) const {
    std::vector<Entry> found;
    for (const Entry& entry : Log()) {
      if (entry.message == message)
        found.push_back(entry);
    }
    return found;
  }

 private:
  static LRESULT CALLBACK Procedure(HWND window,
                                    UINT message,
                                    WPARAM wparam,
                                    LPARAM lparam) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
      SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<RecordingWindow*>(
        GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
      return DefWindowProcW(window, message, wparam, lparam);
    Handler handler;
    {
      std::lock_guard<std::mutex> hold(self->lock_);
      self->log_.push_back({message, wparam, lparam, GetCurrentThreadId()});
      handler = self->handler_;
    }
    LRESULT result = 0;
    if (handler && handler(message, wparam, lparam, &result))
      return result;
    return DefWindowProcW(window, message, wparam, lparam);
  }

  HWND handle_ = nullptr;
  mutable std::mutex lock_;
  std::vector<Entry> log_;  // guarded by |lock_|
  Handler handler_;         // guarded by |lock_|
};

}  // namespace port

#endif  // PORT_TEST_WINDOWS_H_
