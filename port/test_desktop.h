// A desktop for tests that acts as the user and as the shell: it refuses or
// takes tray icons, clicks them, restarts the notification area, clicks the
// caption buttons, presses keys, holds message boxes and popup menus open
// until the test answers them, and reads what the windows show. Installed
// for its lifetime, one at a time. Any thread, normally the test's while the
// code under test pumps messages on its own.
#ifndef PORT_TEST_DESKTOP_H_
#define PORT_TEST_DESKTOP_H_

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "port/desktop.h"
#include "port/modal_prompt.h"
#include "port/notification_area.h"

namespace port {

class TestDesktop : public Desktop {
 public:
  // What a window shows, read straight from the window table.
  struct WindowView {
    std::u16string class_name;
    std::u16string text;
    DWORD style = 0;
    bool visible = false;  // IsWindowVisible
    bool minimized = false;
    RECT rect = {0, 0, 0, 0};  // screen coordinates
    HWND parent = nullptr;
    HWND owner = nullptr;
    int id = 0;
    HICON big_icon = nullptr;
    HICON small_icon = nullptr;
    int progress_low = 0;
    int progress_high = 0;
    int progress_position = 0;
  };

  // An open or past message box or popup menu.
  struct PromptView {
    ModalPrompt::Kind kind = ModalPrompt::Kind::kMessageBox;
    HWND owner = nullptr;
    std::u16string caption;
    std::u16string text;
    UINT type = 0;
    std::vector<MenuItemView> items;
    POINT position = {0, 0};
    UINT flags = 0;
  };

  // Where the icons sit; a click puts the cursor there.
  static constexpr POINT kIconPosition = {1800, 1060};

  // Installs itself with an empty notification area.
  TestDesktop();
  // Answers every prompt still open with 0, empties the notification area
  // and puts the headless desktop back.
  ~TestDesktop() override;
  TestDesktop(const TestDesktop&) = delete;
  TestDesktop& operator=(const TestDesktop&) = delete;

  // The shell.
  void SetShellVersion(const ShellVersion& version);
  void SetRefuseNotifyIcons(bool refuse);
  std::vector<NotifyIcon> NotifyIcons() const;
  bool FindNotifyIcon(HWND owner, UINT id, NotifyIcon* icon) const;
  // Every balloon asked for, in order, including those with an empty text.
  std::vector<Balloon> Balloons() const;
  // Mouse input on an icon, delivered to its owner's queue as the shell
  // does: callback message, wParam the icon id, lParam the mouse message.
  // False when there is no such icon or it is hidden.
  bool PressIcon(HWND owner, UINT id);        // left down, left up
  bool DoubleClickIcon(HWND owner, UINT id);  // down, up, double-click, up
  bool RightClickIcon(HWND owner, UINT id);   // right down, right up
  // The shell restarts: every icon is gone, and the registered message
  // "TaskbarCreated" is posted to every top-level window.
  void RestartNotificationArea();

  // Windows.
  bool ReadWindow(HWND window, WindowView* view) const;
  std::vector<HWND> TopLevelWindows() const;
  // The first top-level window with this caption, or null.
  HWND FindTopLevelWindow(std::u16string_view caption) const;
  // The caption buttons: WM_SYSCOMMAND posted to the window. The close box
  // does nothing (false) while the window menu's SC_CLOSE is greyed; the
  // minimise box needs WS_MINIMIZEBOX.
  bool ClickMinimizeBox(HWND window);
  bool ClickCloseBox(HWND window);
  // WM_KEYDOWN and WM_KEYUP posted to |window|.
  bool PressKey(HWND window, WPARAM key);
  // A click on button |id| of |dialog|: WM_COMMAND BN_CLICKED posted to it.
  bool ClickButton(HWND dialog, int id);

  // Message boxes. They stay open until answered, unless an automatic
  // answer is set (0 turns it off again).
  void SetAutomaticAnswer(int result);
  // Waits for an open box (the oldest); false when none opens in time.
  bool WaitForMessageBox(std::chrono::milliseconds deadline, PromptView* box);
  bool AnswerMessageBox(int result);
  // Every box opened, in order.
  std::vector<PromptView> MessageBoxes() const;

  // Popup menus, open until an item is chosen or the menu is dismissed.
  bool WaitForPopupMenu(std::chrono::milliseconds deadline, PromptView* menu);
  // False when |id| is not an enabled command of the open menu.
  bool ChooseMenuItem(UINT id);
  bool DismissPopupMenu();

  // Checks |condition| until it holds or |deadline| passes.
  static bool WaitUntil(const std::function<bool()>& condition,
                        std::chrono::milliseconds deadline);

  // Desktop:
  bool AcceptsNotifyIcon(HWND owner, UINT icon_id) override;
  void ShowBalloon(const Balloon& balloon) override;
  void OpenPrompt(const std::shared_ptr<ModalPrompt>& prompt) override;
  ShellVersion GetShellVersion() override;

 private:
  bool DeliverToIcon(HWND owner, UINT id, const std::vector<UINT>& mouse);
  bool WaitForPrompt(ModalPrompt::Kind kind,
                     std::chrono::milliseconds deadline,
                     PromptView* view);
  std::shared_ptr<ModalPrompt> TakeOpen(ModalPrompt::Kind kind);

  mutable std::mutex lock_;
  std::condition_variable prompt_opened_;
  // All guarded by |lock_|.
  ShellVersion shell_version_;
  bool refuse_icons_ = false;
  int automatic_answer_ = 0;
  std::vector<Balloon> balloons_;
  std::deque<std::shared_ptr<ModalPrompt>> open_prompts_;
  std::vector<PromptView> message_boxes_;
};

}  // namespace port

#endif  // PORT_TEST_DESKTOP_H_
