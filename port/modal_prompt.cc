#include "port/modal_prompt.h"

#include <algorithm>
#include <mutex>

#include "port/desktop.h"
#include "port/message_queue.h"

namespace port {

namespace {

struct OpenPrompts {
  std::mutex lock;
  std::vector<ModalPrompt*> prompts;
};

OpenPrompts& GetOpenPrompts() {
  static OpenPrompts* open = new OpenPrompts;
  return *open;
}

}  // namespace

ModalPrompt::ModalPrompt(Kind kind, HWND owner)
    : kind(kind), owner(owner), waiter_(MessageQueue::Current()) {}

bool ModalPrompt::Answer(int result) {
  bool first = false;
  waiter_->Change([&] {
    if (answered_)
      return;
    first = true;
    answered_ = true;
    result_ = result;
    closed_.store(true);
  });
  return first;
}

int ModalPrompt::Run() {
  OpenPrompts& open = GetOpenPrompts();
  {
    std::lock_guard<std::mutex> hold(open.lock);
    open.prompts.push_back(this);
  }
  // Registered first, so that an owner destroyed from now on answers it.
  if (owner && !IsWindow(owner))
    Answer(0);
  else
    CurrentDesktop().OpenPrompt(shared_from_this());
  bool answered = false;
  int result = 0;
  while (!answered) {
    // The quit request stays queued for the loop that runs after the prompt.
    waiter_->ServeUntil([&] {
      answered = answered_;
      result = result_;
      return answered_ || waiter_->HasPostedLocked();
    });
    MSG msg;
    if (!answered && waiter_->TakePosted(&msg, nullptr, 0, 0, true) &&
        msg.message != WM_QUIT) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  std::lock_guard<std::mutex> hold(open.lock);
  open.prompts.erase(std::find(open.prompts.begin(), open.prompts.end(), this));
  return result;
}

void AnswerPromptsOwnedBy(HWND owner) {
  OpenPrompts& open = GetOpenPrompts();
  std::lock_guard<std::mutex> hold(open.lock);
  for (ModalPrompt* prompt : open.prompts) {
    if (prompt->owner == owner)
      prompt->Answer(0);
  }
}

}  // namespace port
