#include "port/message_queue.h"

#include <utility>

#include "port/window_table.h"

namespace port {

struct MessageQueue::PendingSend {
  HWND window;
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
  std::shared_ptr<MessageQueue> sender;
  // Guarded by the sender's lock.
  bool done = false;
  LRESULT result = 0;
};

namespace {

// Owns the calling thread's queue and ends it with the thread.
class QueueHolder {
 public:
  QueueHolder() : queue_(std::make_shared<MessageQueue>()) {}
  ~QueueHolder() { queue_->Shutdown(); }
  QueueHolder(const QueueHolder&) = delete;
  QueueHolder& operator=(const QueueHolder&) = delete;

  const std::shared_ptr<MessageQueue>& queue() const { return queue_; }

 private:
  std::shared_ptr<MessageQueue> queue_;
};

bool Matches(const MSG& msg, HWND filter, UINT filter_min, UINT filter_max) {
  if (filter && msg.hwnd != filter)
    return false;
  if (filter_min == 0 && filter_max == 0)
    return true;
  return msg.message >= filter_min && msg.message <= filter_max;
}

}  // namespace

std::shared_ptr<MessageQueue> MessageQueue::Current() {
  thread_local QueueHolder holder;
  return holder.queue();
}

bool MessageQueue::Post(const MSG& msg) {
  std::lock_guard<std::mutex> hold(lock_);
  if (ended_)
    return false;
  posted_.push_back(msg);
  changed_.notify_all();
  return true;
}

void MessageQueue::PostQuit(int exit_code) {
  std::lock_guard<std::mutex> hold(lock_);
  quit_ = true;
  quit_code_ = exit_code;
  changed_.notify_all();
}

LRESULT MessageQueue::SendFromOtherThread(HWND window,
                                          UINT message,
                                          WPARAM wparam,
                                          LPARAM lparam) {
  std::shared_ptr<MessageQueue> sender = Current();
  auto send = std::make_shared<PendingSend>();
  send->window = window;
  send->message = message;
  send->wparam = wparam;
  send->lparam = lparam;
  send->sender = sender;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (ended_)
      return 0;
    // Checked under this queue's lock: DestroyWindow removes the window
    // before it drops the window's sends, so a send can never be queued
    // after that and wait for a window that is gone.
    {
      std::lock_guard<std::mutex> windows(WindowLock());
      if (!FindWindowLocked(window))
        return 0;
    }
    sends_.push_back(send);
    changed_.notify_all();
  }
  sender->ServeUntil([&send] { return send->done; });
  return send->result;
}

void MessageQueue::ForgetWindow(HWND window) {
  std::deque<std::shared_ptr<PendingSend>> dropped;
  {
    std::lock_guard<std::mutex> hold(lock_);
    for (auto it = posted_.begin(); it != posted_.end();) {
      if (it->hwnd == window)
        it = posted_.erase(it);
      else
        ++it;
    }
    for (auto it = sends_.begin(); it != sends_.end();) {
      if ((*it)->window == window) {
        dropped.push_back(*it);
        it = sends_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (auto& send : dropped)
    Complete(send, 0);
}

void MessageQueue::ServeUntil(const std::function<bool()>& ready) {
  std::unique_lock<std::mutex> hold(lock_);
  while (!ready()) {
    if (!sends_.empty()) {
      std::shared_ptr<PendingSend> send = std::move(sends_.front());
      sends_.pop_front();
      hold.unlock();
      Serve(send);
      hold.lock();
      continue;
    }
    changed_.wait(hold);
  }
}

void MessageQueue::Change(const std::function<void()>& change) {
  std::lock_guard<std::mutex> hold(lock_);
  change();
  changed_.notify_all();
}

void MessageQueue::ServePendingSends() {
  for (;;) {
    std::shared_ptr<PendingSend> send;
    {
      std::lock_guard<std::mutex> hold(lock_);
      if (sends_.empty())
        return;
      send = std::move(sends_.front());
      sends_.pop_front();
    }
    Serve(send);
  }
}

bool MessageQueue::TakePosted(MSG* msg,
                              HWND filter,
                              UINT filter_min,
                              UINT filter_max,
                              bool remove) {
  std::lock_guard<std::mutex> hold(lock_);
  for (auto it = posted_.begin(); it != posted_.end(); ++it) {
    if (Matches(*it, filter, filter_min, filter_max)) {
      *msg = *it;
      if (remove)
        posted_.erase(it);
      return true;
    }
  }
  if (!quit_)
    return false;
  *msg = MSG{};
  msg->message = WM_QUIT;
  msg->wParam = static_cast<WPARAM>(quit_code_);
  if (remove)
    quit_ = false;
  return true;
}

bool MessageQueue::HasMatchingLocked(HWND filter,
                                     UINT filter_min,
                                     UINT filter_max) const {
  if (quit_)
    return true;
  for (const MSG& msg : posted_) {
    if (Matches(msg, filter, filter_min, filter_max))
      return true;
  }
  return false;
}

size_t MessageQueue::PendingSends() {
  std::lock_guard<std::mutex> hold(lock_);
  return sends_.size();
}

void MessageQueue::Shutdown() {
  std::deque<std::shared_ptr<PendingSend>> dropped;
  {
    std::lock_guard<std::mutex> hold(lock_);
    ended_ = true;
    posted_.clear();
    dropped.swap(sends_);
  }
  for (auto& send : dropped)
    Complete(send, 0);
  // Windows do not outlive their thread; nothing can run their procedures.
  std::lock_guard<std::mutex> hold(WindowLock());
  for (HWND window : WindowsOfQueueLocked(this))
    RemoveWindowLocked(window);
}

void MessageQueue::Serve(const std::shared_ptr<PendingSend>& send) {
  Complete(send, CallProcedure(send->window, send->message, send->wparam,
                               send->lparam));
}

void MessageQueue::Complete(const std::shared_ptr<PendingSend>& send,
                            LRESULT result) {
  send->sender->Change([&send, result] {
    send->done = true;
    send->result = result;
  });
}

}  // namespace port
