#include "base/threading/thread.h"

#include "base/bind.h"
#include "base/lazy_instance.h"
#include "base/logging.h"
#include "base/synchronization/waitable_event.h"
#include "base/threading/thread_local.h"

namespace base {

namespace {

// Set by the stop task on the thread it quits; the end of the thread body
// checks it to catch loops that ended some other way.
LazyInstance<ThreadLocalBoolean> g_quit_properly = LAZY_INSTANCE_INITIALIZER;

void ThreadQuitHelper() {
  MessageLoop::current()->Quit();
  g_quit_properly.Get().Set(true);
}

}  // namespace

struct Thread::StartupData {
  explicit StartupData(const Options& options)
      : options(options), event(false, false) {}

  const Options& options;
  // Signalled by the new thread once its loop exists and Init has run.
  WaitableEvent event;
};

Thread::Thread(const std::string& name) : name_(name) {}

Thread::~Thread() {
  Stop();
}

bool Thread::Start() {
  return StartWithOptions(Options());
}

bool Thread::StartWithOptions(const Options& options) {
  DCHECK(!message_loop_);
  g_quit_properly.Get().Set(false);

  StartupData startup_data(options);
  startup_data_ = &startup_data;
  if (!PlatformThread::Create(options.stack_size, this, &thread_)) {
    startup_data_ = nullptr;
    return false;
  }
  startup_data.event.Wait();
  startup_data_ = nullptr;
  started_ = true;
  DCHECK(message_loop_);
  return true;
}

void Thread::Stop() {
  if (!started_)
    return;
  StopSoon();
  PlatformThread::Join(&thread_);
  DCHECK(!message_loop_);
  message_loop_proxy_ = nullptr;
  started_ = false;
  stopping_ = false;
}

void Thread::StopSoon() {
  DCHECK_NE(thread_id_, PlatformThread::CurrentId());
  if (stopping_ || !message_loop_proxy_)
    return;
  stopping_ = true;
  // Through the proxy: if the loop already ended on its own, the post is
  // refused instead of reaching a destroyed loop.
  message_loop_proxy_->PostTask(
      FROM_HERE_WITH_FUNCTION("base::Thread::StopSoon"),
      Bind(&ThreadQuitHelper));
}

void Thread::Run(MessageLoop* message_loop) {
  message_loop->Run();
}

void Thread::ThreadBody() {
  MessageLoop message_loop(startup_data_->options.message_loop_type);

  thread_id_ = PlatformThread::CurrentId();
  PlatformThread::SetName(name_.c_str());
  message_loop.set_thread_name(name_);
  message_loop_ = &message_loop;
  message_loop_proxy_ = message_loop.message_loop_proxy();

  Init();

  running_ = true;
  // The start-up data lives on the starter's stack: not touched after this.
  startup_data_->event.Signal();

  Run(message_loop_);
  running_ = false;

  CleanUp();

  DCHECK(g_quit_properly.Get().Get());
  message_loop_ = nullptr;
}

}  // namespace base
