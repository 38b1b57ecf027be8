#include "base/run_loop.h"

#include "base/logging.h"
#include "base/message_loop.h"

namespace base {

RunLoop::RunLoop() : loop_(MessageLoop::current()) {
  DCHECK(loop_);
}

void RunLoop::Run() {
  DCHECK(!run_called_);
  run_called_ = true;
  if (quit_called_)
    return;

  previous_run_loop_ = loop_->run_loop_;
  run_depth_ = previous_run_loop_ ? previous_run_loop_->run_depth_ + 1 : 1;
  loop_->run_loop_ = this;
  running_ = true;

  loop_->pump_->Run(loop_);

  running_ = false;
  loop_->run_loop_ = previous_run_loop_;
  if (previous_run_loop_ && previous_run_loop_->quit_called_)
    loop_->QuitImmediately();
}

void RunLoop::Quit() {
  quit_called_ = true;
  if (running_ && loop_->run_loop_ == this)
    loop_->QuitImmediately();
}

}  // namespace base
