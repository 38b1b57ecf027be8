#include "base/file_flusher.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace base {

namespace {

// A flush takes the better part of a millisecond and mostly waits for the
// disk, so a few at once keep it busy.
constexpr int kFlushingThreads = 4;
// Files handed over but not yet flushed; beyond this, Add waits, so that
// the writer cannot hold thousands of files open.
constexpr size_t kMaxWaitingFiles = 64;

}  // namespace

struct FileFlusher::State {
  // Each flushing thread's work: flushes and closes what comes until no
  // more will come.
  void FlushWhatComes();

  std::mutex lock;
  // A file came, or no more will come.
  std::condition_variable work_or_end;
  // Room in the queue.
  std::condition_variable room;
  std::deque<File> waiting;  // guarded by lock
  bool ending = false;       // guarded by lock
  bool failed = false;       // guarded by lock
  std::vector<std::thread> threads;
  bool finished = false;
};

FileFlusher::FileFlusher(const FilePath&) : state_(new State) {
  for (int i = 0; i < kFlushingThreads; ++i)
    state_->threads.emplace_back(
        [state = state_.get()] { state->FlushWhatComes(); });
}

FileFlusher::~FileFlusher() {
  if (!state_->finished)
    Finish();
}

void FileFlusher::Add(File file) {
  std::unique_lock<std::mutex> hold(state_->lock);
  state_->room.wait(
      hold, [this] { return state_->waiting.size() < kMaxWaitingFiles; });
  state_->waiting.push_back(std::move(file));
  state_->work_or_end.notify_one();
}

bool FileFlusher::Finish() {
  if (state_->finished)
    return false;
  state_->finished = true;
  {
    std::lock_guard<std::mutex> hold(state_->lock);
    state_->ending = true;
  }
  state_->work_or_end.notify_all();
  for (std::thread& thread : state_->threads)
    thread.join();
  // NTFS journals the names itself; they need no flush of their own.
  std::lock_guard<std::mutex> hold(state_->lock);
  return !state_->failed;
}

void FileFlusher::State::FlushWhatComes() {
  std::unique_lock<std::mutex> hold(lock);
  for (;;) {
    work_or_end.wait(hold, [this] { return !waiting.empty() || ending; });
    if (waiting.empty())
      return;
    File file = std::move(waiting.front());
    waiting.pop_front();
    room.notify_one();
    hold.unlock();
    const bool flushed = file.Flush();
    const bool closed = file.Close();
    hold.lock();
    if (!flushed || !closed)
      failed = true;
  }
}

}  // namespace base
