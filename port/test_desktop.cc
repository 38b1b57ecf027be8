#include "port/test_desktop.h"

#include <thread>

#include "port/menus.h"
#include "port/screen.h"
#include "port/window_table.h"

namespace port {

namespace {

TestDesktop::PromptView ViewOf(const ModalPrompt& prompt) {
  TestDesktop::PromptView view;
  view.kind = prompt.kind;
  view.owner = prompt.owner;
  view.caption = prompt.caption;
  view.text = prompt.text;
  view.type = prompt.type;
  view.items = prompt.items;
  view.position = prompt.position;
  view.flags = prompt.flags;
  return view;
}

bool IsEnabledCommand(const std::vector<MenuItemView>& items, UINT id) {
  for (const MenuItemView& item : items) {
    if (!item.popup.empty()) {
      if (IsEnabledCommand(item.popup, id))
        return true;
    } else if (!item.separator && !item.grayed && item.id == id) {
      return true;
    }
  }
  return false;
}

}  // namespace

constexpr POINT TestDesktop::kIconPosition;

TestDesktop::TestDesktop() {
  ClearNotifyIcons();
  InstallDesktop(this);
}

TestDesktop::~TestDesktop() {
  InstallDesktop(nullptr);
  std::deque<std::shared_ptr<ModalPrompt>> still_open;
  {
    std::lock_guard<std::mutex> hold(lock_);
    still_open.swap(open_prompts_);
  }
  for (auto& prompt : still_open)
    prompt->Answer(0);
  ClearNotifyIcons();
}

void TestDesktop::SetShellVersion(const ShellVersion& version) {
  std::lock_guard<std::mutex> hold(lock_);
  shell_version_ = version;
}

void TestDesktop::SetRefuseNotifyIcons(bool refuse) {
  std::lock_guard<std::mutex> hold(lock_);
  refuse_icons_ = refuse;
}

std::vector<NotifyIcon> TestDesktop::NotifyIcons() const {
  return NotifyIconsNow();
}

bool TestDesktop::FindNotifyIcon(HWND owner, UINT id, NotifyIcon* icon) const {
  return port::FindNotifyIcon(owner, id, icon);
}

std::vector<Balloon> TestDesktop::Balloons() const {
  std::lock_guard<std::mutex> hold(lock_);
  return balloons_;
}

bool TestDesktop::PressIcon(HWND owner, UINT id) {
  return DeliverToIcon(owner, id, {WM_LBUTTONDOWN, WM_LBUTTONUP});
}

bool TestDesktop::DoubleClickIcon(HWND owner, UINT id) {
  return DeliverToIcon(
      owner, id,
      {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP});
}

bool TestDesktop::RightClickIcon(HWND owner, UINT id) {
  return DeliverToIcon(owner, id, {WM_RBUTTONDOWN, WM_RBUTTONUP});
}

bool TestDesktop::DeliverToIcon(HWND owner,
                                UINT id,
                                const std::vector<UINT>& mouse) {
  NotifyIcon icon;
  if (!port::FindNotifyIcon(owner, id, &icon) || icon.hidden)
    return false;
  SetCursorPosition(kIconPosition);
  for (UINT message : mouse) {
    if (!PostMessageW(owner, icon.callback_message, id, message))
      return false;
  }
  return true;
}

void TestDesktop::RestartNotificationArea() {
  ClearNotifyIcons();
  PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(u"TaskbarCreated"), 0, 0);
}

bool TestDesktop::ReadWindow(HWND window, WindowView* view) const {
  {
    std::lock_guard<std::mutex> hold(WindowLock());
    Window* found = FindWindowLocked(window);
    if (!found)
      return false;
    view->class_name = found->class_name;
    view->text = found->text;
    view->style = found->style;
    view->minimized = found->minimized;
    view->rect = ScreenRectLocked(*found);
    view->parent = found->parent;
    view->owner = found->owner;
    view->id = found->id;
    view->big_icon = found->big_icon;
    view->small_icon = found->small_icon;
    view->progress_low = found->range_low;
    view->progress_high = found->range_high;
    view->progress_position = found->position;
  }
  view->visible = IsWindowVisible(window) != FALSE;
  return true;
}

std::vector<HWND> TestDesktop::TopLevelWindows() const {
  std::lock_guard<std::mutex> hold(WindowLock());
  return TopLevelWindowsLocked();
}

HWND TestDesktop::FindTopLevelWindow(std::u16string_view caption) const {
  std::lock_guard<std::mutex> hold(WindowLock());
  for (HWND window : TopLevelWindowsLocked()) {
    if (FindWindowLocked(window)->text == caption)
      return window;
  }
  return nullptr;
}

bool TestDesktop::ClickMinimizeBox(HWND window) {
  WindowView view;
  if (!ReadWindow(window, &view) || !(view.style & WS_MINIMIZEBOX) ||
      !(view.style & WS_SYSMENU)) {
    return false;
  }
  return PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0) != FALSE;
}

bool TestDesktop::ClickCloseBox(HWND window) {
  WindowView view;
  if (!ReadWindow(window, &view) || !(view.style & WS_SYSMENU))
    return false;
  UINT state =
      GetMenuState(GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND);
  if (state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)))
    return false;
  return PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0) != FALSE;
}

bool TestDesktop::PressKey(HWND window, WPARAM key) {
  return PostMessageW(window, WM_KEYDOWN, key, 1) &&
         PostMessageW(window, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

bool TestDesktop::ClickButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (!button || !IsWindowEnabled(button))
    return false;
  return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                      reinterpret_cast<LPARAM>(button)) != FALSE;
}

void TestDesktop::SetAutomaticAnswer(int result) {
  std::lock_guard<std::mutex> hold(lock_);
  automatic_answer_ = result;
}

bool TestDesktop::WaitForMessageBox(std::chrono::milliseconds deadline,
                                    PromptView* box) {
  return WaitForPrompt(ModalPrompt::Kind::kMessageBox, deadline, box);
}

bool TestDesktop::AnswerMessageBox(int result) {
  std::shared_ptr<ModalPrompt> box = TakeOpen(ModalPrompt::Kind::kMessageBox);
  return box && box->Answer(result);
}

std::vector<TestDesktop::PromptView> TestDesktop::MessageBoxes() const {
  std::lock_guard<std::mutex> hold(lock_);
  return message_boxes_;
}

bool TestDesktop::WaitForPopupMenu(std::chrono::milliseconds deadline,
                                   PromptView* menu) {
  return WaitForPrompt(ModalPrompt::Kind::kPopupMenu, deadline, menu);
}

bool TestDesktop::ChooseMenuItem(UINT id) {
  std::shared_ptr<ModalPrompt> menu;
  {
    std::lock_guard<std::mutex> hold(lock_);
    for (auto it = open_prompts_.begin(); it != open_prompts_.end(); ++it) {
      if ((*it)->kind == ModalPrompt::Kind::kPopupMenu && !(*it)->closed()) {
        if (!IsEnabledCommand((*it)->items, id))
          return false;
        menu = *it;
        open_prompts_.erase(it);
        break;
      }
    }
  }
  return menu && menu->Answer(static_cast<int>(id));
}

bool TestDesktop::DismissPopupMenu() {
  std::shared_ptr<ModalPrompt> menu = TakeOpen(ModalPrompt::Kind::kPopupMenu);
  return menu && menu->Answer(0);
}

bool TestDesktop::WaitUntil(const std::function<bool()>& condition,
                            std::chrono::milliseconds deadline) {
  auto end = std::chrono::steady_clock::now() + deadline;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

bool TestDesktop::AcceptsNotifyIcon(HWND, UINT) {
  std::lock_guard<std::mutex> hold(lock_);
  return !refuse_icons_;
}

void TestDesktop::ShowBalloon(const Balloon& balloon) {
  std::lock_guard<std::mutex> hold(lock_);
  balloons_.push_back(balloon);
}

void TestDesktop::OpenPrompt(const std::shared_ptr<ModalPrompt>& prompt) {
  int answer = 0;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (prompt->kind == ModalPrompt::Kind::kMessageBox) {
      message_boxes_.push_back(ViewOf(*prompt));
      answer = automatic_answer_;
    }
    if (!answer) {
      // Prompts closed by their owner's destruction leave here.
      for (auto it = open_prompts_.begin(); it != open_prompts_.end();) {
        if ((*it)->closed())
          it = open_prompts_.erase(it);
        else
          ++it;
      }
      open_prompts_.push_back(prompt);
      prompt_opened_.notify_all();
    }
  }
  if (answer)
    prompt->Answer(answer);
}

ShellVersion TestDesktop::GetShellVersion() {
  std::lock_guard<std::mutex> hold(lock_);
  return shell_version_;
}

bool TestDesktop::WaitForPrompt(ModalPrompt::Kind kind,
                                std::chrono::milliseconds deadline,
                                PromptView* view) {
  std::unique_lock<std::mutex> hold(lock_);
  std::shared_ptr<ModalPrompt> found;
  prompt_opened_.wait_for(hold, deadline, [&] {
    for (auto& prompt : open_prompts_) {
      if (prompt->kind == kind && !prompt->closed()) {
        found = prompt;
        return true;
      }
    }
    return false;
  });
  if (!found)
    return false;
  *view = ViewOf(*found);
  return true;
}

std::shared_ptr<ModalPrompt> TestDesktop::TakeOpen(ModalPrompt::Kind kind) {
  std::lock_guard<std::mutex> hold(lock_);
  for (auto it = open_prompts_.begin(); it != open_prompts_.end(); ++it) {
    if ((*it)->kind == kind && !(*it)->closed()) {
      std::shared_ptr<ModalPrompt> prompt = *it;
      open_prompts_.erase(it);
      return prompt;
    }
  }
  return nullptr;
}

}  // namespace port
