// The message queue of one thread: its posted messages, its quit request
// and the messages other threads send to its windows. Made on a thread's
// first use and kept alive by that thread and by senders waiting on it; the
// owner thread waits and serves, any thread may post or queue a send.
#ifndef PORT_MESSAGE_QUEUE_H_
#define PORT_MESSAGE_QUEUE_H_

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace port {

class MessageQueue {
 public:
  MessageQueue() = default;
  MessageQueue(const MessageQueue&) = delete;
  MessageQueue& operator=(const MessageQueue&) = delete;

  // The calling thread's queue. When the thread ends, its windows are
  // removed and every send still waiting on it returns 0.
  static std::shared_ptr<MessageQueue> Current();

  // False once the owner thread has ended.
  bool Post(const MSG& msg);
  void PostQuit(int exit_code);

  // Runs |message| on this queue's thread for |window|, from another thread,
  // and returns the procedure's result; 0 when the window goes first.
  LRESULT SendFromOtherThread(HWND window,
                              UINT message,
                              WPARAM wparam,
                              LPARAM lparam);

  // The window has been destroyed: its posted messages are dropped and its
  // waiting sends return 0.
  void ForgetWindow(HWND window);

  // Owner thread only. Serves incoming sends until |ready| holds; |ready|
  // is evaluated with the queue's lock held, so it may read anything that
  // Change() writes and call HasPostedLocked().
  void ServeUntil(const std::function<bool()>& ready);
  // Runs |change| under the queue's lock and wakes the owner thread.
  void Change(const std::function<void()>& change);
  // Serves the sends that are waiting now.
  void ServePendingSends();
  // The first posted message that matches (or WM_QUIT when none is posted
  // and quit was asked); false when there is none. Owner thread only.
  bool TakePosted(MSG* msg,
                  HWND filter,
                  UINT filter_min,
                  UINT filter_max,
                  bool remove);
  // For ServeUntil() predicates: a message TakePosted() would return, and
  // any posted message other than the quit request.
  bool HasMatchingLocked(HWND filter, UINT filter_min, UINT filter_max) const;
  bool HasPostedLocked() const { return !posted_.empty(); }

  // How many sends wait to be served; for tests that need a send queued.
  size_t PendingSends();

  // The owner thread is ending.
  void Shutdown();

 private:
  struct PendingSend;

  static void Serve(const std::shared_ptr<PendingSend>& send);
  static void Complete(const std::shared_ptr<PendingSend>& send,
                       LRESULT result);

  std::mutex lock_;
  std::condition_variable changed_;
  // All guarded by |lock_|.
  std::deque<MSG> posted_;
  bool quit_ = false;
  int quit_code_ = 0;
  std::deque<std::shared_ptr<PendingSend>> sends_;
  bool ended_ = false;
};

}  // namespace port

#endif  // PORT_MESSAGE_QUEUE_H_
