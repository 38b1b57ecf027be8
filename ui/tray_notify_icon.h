// One icon of the updater in the shell's notification area: hands its mouse
// events to an owner window, shows balloons, offers the popup menu of a menu
// resource and comes back when the taskbar is created again, for which it
// owns a hidden window. Main thread only.
#ifndef UI_TRAY_NOTIFY_ICON_H_
#define UI_TRAY_NOTIFY_ICON_H_

#include <windows.h>
#include <shellapi.h>

#include "ui/window_impl.h"

// The shell's "TaskbarCreated" broadcast.
extern const UINT g_taskbarCreatedMsg;

class CTrayNotifyIcon : public CWindowImpl<CTrayNotifyIcon> {
 public:
  static constexpr const char16_t* kClassName = u"TrayNotifyIconClass";
  static constexpr UINT kClassStyle = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;

  enum BalloonStyle { Warning = 0, Error = 1, Info = 2, None = 3, User = 4 };

  CTrayNotifyIcon();
  ~CTrayNotifyIcon() override;
  CTrayNotifyIcon(const CTrayNotifyIcon&) = delete;
  CTrayNotifyIcon& operator=(const CTrayNotifyIcon&) = delete;

  // Adds the icon, owned by |owner|, whose window receives |callback_message|
  // and the menu's commands. |menu_id| 0 means the menu resource |icon_id|.
  // |icon| stays the caller's.
  bool AddIcon(CWindowBase* owner,
               UINT icon_id,
               const char16_t* tooltip,
               HICON icon,
               UINT callback_message,
               UINT menu_id,
               bool show);

  bool ShowBalloon(const char16_t* text,
                   const char16_t* title,
                   BalloonStyle style,
                   UINT timeout_ms,
                   HICON user_icon = nullptr,
                   bool no_sound = false,
                   bool large_icon = false,
                   bool real_time = false,
                   HICON balloon_icon = nullptr);

  // The owner's handling of the callback message: 1 when it concerned this
  // icon. Opens the menu on a right-button release; a left double-click
  // sends the menu's default command to the owner.
  virtual LRESULT HandleTrayMessage(WPARAM wparam, LPARAM lparam);

  BOOL ProcessWindowMessage(HWND window,
                            UINT message,
                            WPARAM wparam,
                            LPARAM lparam,
                            LRESULT& result) override;

  // The record as the shell sees it, for tests.
  const NOTIFYICONDATAW& iconData() const { return m_iconData; }
  int shellLevel() const { return m_shellLevel; }

 private:
  // The taskbar came back: add the icon again, without a balloon.
  LRESULT ReAddIcon();
  static int ShellLevel();

  NOTIFYICONDATAW m_iconData;
  bool m_added = false;
  bool m_hidden = false;
  CWindowBase* m_ownerWindow = nullptr;
  HMENU m_menu = nullptr;
  UINT m_defaultItem = 0;
  bool m_defaultByPosition = true;
  int m_shellLevel = 0;
};

#endif  // UI_TRAY_NOTIFY_ICON_H_
