#include "ui/tray_notify_icon.h"

#include <shlwapi.h>
#include <string.h>

#include <algorithm>

#include "base/win/wide_text.h"

const UINT g_taskbarCreatedMsg =
    RegisterWindowMessageW(AsWCHAR(u"TaskbarCreated"));

namespace {

// Copies |text| into a fixed field, cut to leave room for the terminator.
template <size_t N>
void CopyField(WCHAR (&field)[N], const char16_t* text) {
  size_t length = 0;
  while (text && text[length] && length < N - 1)
    ++length;
  std::copy(text, text + length, field);
  field[length] = 0;
}

// The record size that each shell level understands.
DWORD IconRecordSize(int shell_level) {
  switch (shell_level) {
    case 0:
      return NOTIFYICONDATAW_V1_SIZE;
    case 1:
      return NOTIFYICONDATAW_V2_SIZE;
    case 2:
      return NOTIFYICONDATAW_V3_SIZE;
    default:
      return sizeof(NOTIFYICONDATAW);
  }
}

}  // namespace

CTrayNotifyIcon::CTrayNotifyIcon() {
  m_shellLevel = ShellLevel();
  memset(&m_iconData, 0, sizeof(m_iconData));
  m_iconData.cbSize = IconRecordSize(m_shellLevel);
}

int CTrayNotifyIcon::ShellLevel() {
  // Only a shell library that is already loaded is asked.
  HMODULE shell = GetModuleHandleW(AsWCHAR(u"shell32.dll"));
  if (!shell)
    return 0;
  // Through a function type without parameters, which converts to any other
  // function pointer without a warning.
  DLLGETVERSIONPROC get_version = reinterpret_cast<DLLGETVERSIONPROC>(
      reinterpret_cast<void (*)()>(GetProcAddress(shell, "DllGetVersion")));
  if (!get_version)
    return 0;
  DLLVERSIONINFO version = {};
  version.cbSize = 20;
  if (FAILED(get_version(&version)))
    return 0;
  if (version.dwMajorVersion < 5)
    return 0;
  if (version.dwMajorVersion == 5)
    return 1;
  if (version.dwMajorVersion == 6 && version.dwMinorVersion == 0)
    return version.dwBuildNumber < 6000 ? 2 : 3;
  return 4;
}

CTrayNotifyIcon::~CTrayNotifyIcon() {
  if (m_added) {
    m_iconData.uFlags = 0;
    Shell_NotifyIconW(NIM_DELETE, &m_iconData);
    m_added = false;
  }
  if (m_hWnd)
    SendMessage(WM_CLOSE);
  if (m_menu)
    DestroyMenu(m_menu);
}

bool CTrayNotifyIcon::AddIcon(CWindowBase* owner,
                              UINT icon_id,
                              const char16_t* tooltip,
                              HICON icon,
                              UINT callback_message,
                              UINT menu_id,
                              bool show) {
  m_menu = LoadMenuW(GetModuleHandleW(nullptr),
                     MAKEINTRESOURCEW(menu_id ? menu_id : icon_id));
  if (!m_menu)
    return false;
  HMENU popup = GetSubMenu(m_menu, 0);
  if (!IsMenu(popup))
    return false;
  SetMenuDefaultItem(popup, m_defaultItem, m_defaultByPosition);
  if (!Create(nullptr, u"CTrayNotifyIcon Helper Window", WS_OVERLAPPEDWINDOW))
    return false;

  m_ownerWindow = owner;
  m_iconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  m_iconData.hWnd = owner->m_hWnd;
  m_iconData.uCallbackMessage = callback_message;
  m_iconData.uID = icon_id;
  m_iconData.hIcon = icon;
  CopyField(m_iconData.szTip, tooltip);
  if (!show) {
    m_iconData.uFlags |= NIF_STATE;
    m_iconData.dwState = NIS_HIDDEN;
    m_iconData.dwStateMask = NIS_HIDDEN;
  }
  m_added = Shell_NotifyIconW(NIM_ADD, &m_iconData) != FALSE;
  if (m_added) {
    if (!show)
      m_hidden = true;
    if (m_shellLevel >= 1) {
      m_iconData.uVersion = NOTIFYICON_VERSION;
      Shell_NotifyIconW(NIM_SETVERSION, &m_iconData);
    }
  }
  return m_added;
}

bool CTrayNotifyIcon::ShowBalloon(const char16_t* text,
                                  const char16_t* title,
                                  BalloonStyle style,
                                  UINT timeout_ms,
                                  HICON user_icon,
                                  bool no_sound,
                                  bool large_icon,
                                  bool real_time,
                                  HICON balloon_icon) {
  if (!m_added)
    return false;
  m_iconData.uFlags = NIF_INFO;
  CopyField(m_iconData.szInfo, text);
  CopyField(m_iconData.szInfoTitle, title);
  m_iconData.uTimeout = timeout_ms;
  switch (style) {
    case Warning:
      m_iconData.dwInfoFlags = NIIF_WARNING;
      break;
    case Error:
      m_iconData.dwInfoFlags = NIIF_ERROR;
      break;
    case Info:
      m_iconData.dwInfoFlags = NIIF_INFO;
      break;
    case None:
      m_iconData.dwInfoFlags = NIIF_NONE;
      break;
    case User:
      m_iconData.dwInfoFlags = NIIF_USER;
      if (balloon_icon) {
        m_iconData.hBalloonIcon = balloon_icon;
      } else {
        m_iconData.uFlags |= NIF_ICON;
        m_iconData.hIcon = user_icon;
      }
      break;
  }
  if (no_sound)
    m_iconData.dwInfoFlags |= NIIF_NOSOUND;
  if (large_icon)
    m_iconData.dwInfoFlags |= NIIF_LARGE_ICON;
  if (real_time)
    m_iconData.uFlags |= NIF_REALTIME;
  return Shell_NotifyIconW(NIM_MODIFY, &m_iconData) != FALSE;
}

LRESULT CTrayNotifyIcon::HandleTrayMessage(WPARAM wparam, LPARAM lparam) {
  if (wparam != m_iconData.uID)
    return 0;
  if (lparam != WM_RBUTTONUP && lparam != WM_LBUTTONDBLCLK)
    return 1;
  HMENU popup = GetSubMenu(m_menu, 0);
  if (lparam == WM_RBUTTONUP) {
    POINT cursor = {};
    GetCursorPos(&cursor);
    m_ownerWindow->SetForegroundWindow();
    TrackPopupMenu(popup, 0, cursor.x, cursor.y, 0, m_ownerWindow->m_hWnd,
                   nullptr);
    m_ownerWindow->PostMessage(WM_NULL);
  } else {
    m_ownerWindow->SetForegroundWindow();
    UINT command = GetMenuDefaultItem(popup, FALSE, GMDI_GOINTOPOPUPS);
    if (command != static_cast<UINT>(-1))
      m_ownerWindow->SendMessage(WM_COMMAND, command, 0);
  }
  return 1;
}

BOOL CTrayNotifyIcon::ProcessWindowMessage(HWND,
                                           UINT message,
                                           WPARAM,
                                           LPARAM,
                                           LRESULT& result) {
  if (message == g_taskbarCreatedMsg) {
    result = ReAddIcon();
    return TRUE;
  }
  if (message == WM_DESTROY) {
    result = 0;
    return TRUE;
  }
  return FALSE;
}

LRESULT CTrayNotifyIcon::ReAddIcon() {
  if (m_added) {
    m_iconData.uFlags = 0;
    Shell_NotifyIconW(NIM_DELETE, &m_iconData);
    m_added = false;
  }
  m_iconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  if (m_hidden) {
    m_iconData.uFlags |= NIF_STATE;
    m_iconData.dwState = NIS_HIDDEN;
    m_iconData.dwStateMask = NIS_HIDDEN;
  }
  if (Shell_NotifyIconW(NIM_ADD, &m_iconData))
    m_added = true;
  return 0;
}
