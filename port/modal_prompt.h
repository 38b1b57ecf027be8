// A message box or popup menu that waits on its thread for the desktop's
// answer. The waiting thread owns the wait; the desktop (any thread) reads
// the request and answers it once. Prompts whose owner window is destroyed
// are answered with 0.
#ifndef PORT_MODAL_PROMPT_H_
#define PORT_MODAL_PROMPT_H_

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace port {

class MessageQueue;

struct MenuItemView {
  UINT id = 0;  // 0 for separators and popups
  std::u16string text;
  bool is_default = false;
  bool grayed = false;
  bool separator = false;
  std::vector<MenuItemView> popup;
};

class ModalPrompt : public std::enable_shared_from_this<ModalPrompt> {
 public:
  enum class Kind { kMessageBox, kPopupMenu };

  ModalPrompt(Kind kind, HWND owner);
  ModalPrompt(const ModalPrompt&) = delete;
  ModalPrompt& operator=(const ModalPrompt&) = delete;

  // The request; fixed before the desktop sees the prompt.
  Kind kind;
  HWND owner;
  std::u16string caption;  // message boxes
  std::u16string text;
  UINT type = 0;
  std::vector<MenuItemView> items;  // popup menus
  POINT position = {0, 0};
  UINT flags = 0;

  // The first answer ends the wait; false for a later one.
  bool Answer(int result);
  // Whether it has been answered; for observers on other threads.
  bool closed() const { return closed_.load(); }

  // On the thread that made the prompt: shows it on the current desktop,
  // serves sent and posted messages of the thread until it is answered, and
  // returns the answer. A prompt whose owner is already gone is answered 0
  // without being shown.
  int Run();

 private:
  std::shared_ptr<MessageQueue> waiter_;
  // Guarded by the waiter's lock.
  bool answered_ = false;
  int result_ = 0;
  std::atomic<bool> closed_{false};
};

// Answers 0 to every open prompt owned by |owner|.
void AnswerPromptsOwnedBy(HWND owner);

}  // namespace port

#endif  // PORT_MODAL_PROMPT_H_
