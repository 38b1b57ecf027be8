// Shell_NotifyIconW: the shell's side of the notification area. The record's
// cbSize names the shell level whose fields are read.
#include "port/notification_area.h"
#include <shellapi.h>

#include <mutex>

#include "port/desktop.h"

namespace port {

namespace {

enum class RecordLevel { kUnknown, kV1, kV2, kV3, kV4 };

RecordLevel LevelOf(DWORD size) {
  switch (size) {
    case NOTIFYICONDATAW_V1_SIZE:
      return RecordLevel::kV1;
    case NOTIFYICONDATAW_V2_SIZE:
      return RecordLevel::kV2;
    case NOTIFYICONDATAW_V3_SIZE:
      return RecordLevel::kV3;
    case sizeof(NOTIFYICONDATAW):
      return RecordLevel::kV4;
    default:
      return RecordLevel::kUnknown;
  }
}

// The text of a fixed field, up to its terminator or its end.
std::u16string FieldText(const WCHAR* field, size_t capacity) {
  size_t length = 0;
  while (length < capacity && field[length])
    ++length;
  return std::u16string(field, length);
}

struct Area {
  std::mutex lock;
  std::vector<NotifyIcon> icons;
};

Area& GetArea() {
  static Area* area = new Area;
  return *area;
}

NotifyIcon* FindLocked(HWND owner, UINT id) {
  for (NotifyIcon& icon : GetArea().icons) {
    if (icon.owner == owner && icon.id == id)
      return &icon;
  }
  return nullptr;
}

void ApplyLocked(const NOTIFYICONDATAW& data,
                 RecordLevel level,
                 NotifyIcon* icon) {
  if (data.uFlags & NIF_MESSAGE)
    icon->callback_message = data.uCallbackMessage;
  if (data.uFlags & NIF_ICON)
    icon->icon = data.hIcon;
  if (data.uFlags & NIF_TIP)
    icon->tip = FieldText(data.szTip, level == RecordLevel::kV1 ? 64 : 128);
  if (level != RecordLevel::kV1 && (data.uFlags & NIF_STATE) &&
      (data.dwStateMask & NIS_HIDDEN)) {
    icon->hidden = (data.dwState & NIS_HIDDEN) != 0;
  }
}

// Whether |data| asks for a balloon the record's level can carry.
bool BalloonOf(const NOTIFYICONDATAW& data,
               RecordLevel level,
               Balloon* balloon) {
  if (level == RecordLevel::kV1 || !(data.uFlags & NIF_INFO))
    return false;
  balloon->owner = data.hWnd;
  balloon->icon_id = data.uID;
  balloon->title = FieldText(data.szInfoTitle, 64);
  balloon->text = FieldText(data.szInfo, 256);
  balloon->info_flags = data.dwInfoFlags;
  balloon->timeout = data.uTimeout;
  balloon->record_flags = data.uFlags;
  balloon->balloon_icon =
      level == RecordLevel::kV4 ? data.hBalloonIcon : nullptr;
  return true;
}

}  // namespace

std::vector<NotifyIcon> NotifyIconsNow() {
  std::lock_guard<std::mutex> hold(GetArea().lock);
  return GetArea().icons;
}

bool FindNotifyIcon(HWND owner, UINT id, NotifyIcon* icon) {
  std::lock_guard<std::mutex> hold(GetArea().lock);
  NotifyIcon* found = FindLocked(owner, id);
  if (found)
    *icon = *found;
  return found != nullptr;
}

void ClearNotifyIcons() {
  std::lock_guard<std::mutex> hold(GetArea().lock);
  GetArea().icons.clear();
}

}  // namespace port

BOOL Shell_NotifyIconW(DWORD message, PNOTIFYICONDATAW data) {
  using port::RecordLevel;
  RecordLevel level =
      data ? port::LevelOf(data->cbSize) : RecordLevel::kUnknown;
  if (level == RecordLevel::kUnknown) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  port::Desktop& desktop = port::CurrentDesktop();
  // Only a live window can own a new icon, and the desktop may refuse it.
  if (message == NIM_ADD &&
      (!IsWindow(data->hWnd) ||
       !desktop.AcceptsNotifyIcon(data->hWnd, data->uID))) {
    return FALSE;
  }
  port::Balloon balloon;
  bool show_balloon = false;
  {
    port::Area& area = port::GetArea();
    std::lock_guard<std::mutex> hold(area.lock);
    port::NotifyIcon* icon = port::FindLocked(data->hWnd, data->uID);
    switch (message) {
      case NIM_ADD: {
        if (icon)
          return FALSE;
        port::NotifyIcon added;
        added.owner = data->hWnd;
        added.id = data->uID;
        added.record_size = data->cbSize;
        port::ApplyLocked(*data, level, &added);
        area.icons.push_back(added);
        show_balloon = port::BalloonOf(*data, level, &balloon);
        break;
      }
      case NIM_MODIFY:
        if (!icon)
          return FALSE;
        port::ApplyLocked(*data, level, icon);
        show_balloon = port::BalloonOf(*data, level, &balloon);
        break;
      case NIM_DELETE:
        if (!icon)
          return FALSE;
        area.icons.erase(area.icons.begin() + (icon - area.icons.data()));
        break;
      case NIM_SETFOCUS:
        if (!icon)
          return FALSE;
        break;
      case NIM_SETVERSION:
        if (!icon || level == RecordLevel::kV1 ||
            data->uVersion > NOTIFYICON_VERSION_4)
          return FALSE;
        icon->version = data->uVersion;
        break;
      default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
  }
  if (show_balloon)
    desktop.ShowBalloon(balloon);
  return TRUE;
}
