// Menus: loaded from compiled-in menu resources or built by hand, the
// window menu of each window, default items and popup tracking.
#include "port/menus.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "port/resources.h"
#include "port/window_table.h"

namespace port {

namespace {

struct MenuItem {
  UINT id = 0;
  std::u16string text;
  UINT state = 0;  // MF_GRAYED, MF_DISABLED, MF_CHECKED
  bool separator = false;
  bool is_default = false;
  HMENU popup = nullptr;  // owned by this item
};

struct Menu {
  std::vector<MenuItem> items;
};

constexpr UINT kNotFound = static_cast<UINT>(-1);

struct MenuTable {
  std::mutex lock;
  uintptr_t next_handle = 0x20000;
  std::map<HMENU, std::unique_ptr<Menu>> menus;
};

MenuTable& GetMenus() {
  static MenuTable* table = new MenuTable;
  return *table;
}

// The rest are called with the table's lock held.
Menu* FindLocked(HMENU menu) {
  auto& menus = GetMenus().menus;
  auto it = menus.find(menu);
  return it == menus.end() ? nullptr : it->second.get();
}

HMENU CreateLocked() {
  MenuTable& table = GetMenus();
  HMENU menu = reinterpret_cast<HMENU>(table.next_handle++);
  table.menus[menu] = std::make_unique<Menu>();
  return menu;
}

void DestroyLocked(HMENU menu) {
  Menu* found = FindLocked(menu);
  if (!found)
    return;
  for (MenuItem& item : found->items) {
    if (item.popup)
      DestroyLocked(item.popup);
  }
  GetMenus().menus.erase(menu);
}

void AddFromTemplateLocked(HMENU menu,
                           const std::vector<MenuItemTemplate>& templates) {
  for (const MenuItemTemplate& entry : templates) {
    MenuItem item;
    item.id = entry.id;
    item.separator = entry.separator;
    item.text = entry.text;
    item.state = entry.flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED);
    item.is_default = (entry.flags & MF_DEFAULT) != 0;
    if (!entry.popup.empty()) {
      item.popup = CreateLocked();
      AddFromTemplateLocked(item.popup, entry.popup);
    }
    FindLocked(menu)->items.push_back(item);
  }
}

// The item by command id, searching popups too, or by position.
MenuItem* FindItemLocked(HMENU menu, UINT item, bool by_position) {
  Menu* found = FindLocked(menu);
  if (!found)
    return nullptr;
  if (by_position)
    return item < found->items.size() ? &found->items[item] : nullptr;
  for (MenuItem& candidate : found->items) {
    if (candidate.popup) {
      if (MenuItem* inner = FindItemLocked(candidate.popup, item, false))
        return inner;
    } else if (!candidate.separator && candidate.id == item) {
      return &candidate;
    }
  }
  return nullptr;
}

UINT DefaultItemLocked(HMENU menu, bool by_position, UINT flags) {
  Menu* found = FindLocked(menu);
  if (!found)
    return kNotFound;
  for (UINT position = 0; position < found->items.size(); ++position) {
    const MenuItem& item = found->items[position];
    if (!item.is_default)
      continue;
    if ((item.state & (MF_GRAYED | MF_DISABLED)) && !(flags & GMDI_USEDISABLED))
      return kNotFound;
    if (item.popup && (flags & GMDI_GOINTOPOPUPS)) {
      UINT inner = DefaultItemLocked(item.popup, by_position, flags);
      if (inner != kNotFound)
        return inner;
    }
    if (by_position)
      return position;
    return item.popup ? kNotFound : item.id;
  }
  return kNotFound;
}

void SnapshotLocked(HMENU menu, std::vector<MenuItemView>* items) {
  for (const MenuItem& item : FindLocked(menu)->items) {
    MenuItemView view;
    view.id = item.popup ? 0 : item.id;
    view.text = item.text;
    view.is_default = item.is_default;
    view.grayed = (item.state & (MF_GRAYED | MF_DISABLED)) != 0;
    view.separator = item.separator;
    if (item.popup)
      SnapshotLocked(item.popup, &view.popup);
    items->push_back(view);
  }
}

HMENU CreateSystemMenuLocked() {
  HMENU menu = CreateLocked();
  const struct {
    UINT id;
    const char16_t* text;
  } kItems[] = {{SC_RESTORE, u"&Restore"},   {SC_MOVE, u"&Move"},
                {SC_SIZE, u"&Size"},         {SC_MINIMIZE, u"Mi&nimize"},
                {SC_MAXIMIZE, u"Ma&ximize"}, {0, nullptr},
                {SC_CLOSE, u"&Close"}};
  for (const auto& entry : kItems) {
    MenuItem item;
    item.id = entry.id;
    item.separator = entry.text == nullptr;
    if (entry.text)
      item.text = entry.text;
    FindLocked(menu)->items.push_back(item);
  }
  return menu;
}

}  // namespace

bool SnapshotMenu(HMENU menu, std::vector<MenuItemView>* items) {
  std::lock_guard<std::mutex> hold(GetMenus().lock);
  if (!FindLocked(menu))
    return false;
  SnapshotLocked(menu, items);
  return true;
}

}  // namespace port

HMENU LoadMenuW(HINSTANCE, LPCWSTR menu_name) {
  const port::MenuTemplate* menu_template =
      IS_INTRESOURCE(menu_name) ? port::FindMenuTemplate(static_cast<WORD>(
                                      reinterpret_cast<uintptr_t>(menu_name)))
                                : nullptr;
  if (!menu_template) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  std::lock_guard<std::mutex> hold(port::GetMenus().lock);
  HMENU menu = port::CreateLocked();
  port::AddFromTemplateLocked(menu, menu_template->items);
  return menu;
}

BOOL DestroyMenu(HMENU menu) {
  std::lock_guard<std::mutex> hold(port::GetMenus().lock);
  if (!port::FindLocked(menu)) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  port::DestroyLocked(menu);
  return TRUE;
}

BOOL IsMenu(HMENU menu) {
  std::lock_guard<std::mutex> hold(port::GetMenus().lock);
  return port::FindLocked(menu) != nullptr;
}

HMENU GetSubMenu(HMENU menu, int position) {
  std::lock_guard<std::mutex> hold(port::GetMenus().lock);
  port::MenuItem* item =
      position < 0
          ? nullptr
          : port::FindItemLocked(menu, static_cast<UINT>(position), true);
  return item ? item->popup : nullptr;
}

UINT GetMenuState(HMENU menu, UINT id, UINT flags) {
  std::lock_guard<std::mutex> hold(port::GetMenus().lock);
  port::MenuItem* item =
      port::FindItemLocked(menu, id, (flags & MF_BYPOSITION) != 0);
  if (!item)
    return port::kNotFound;
  UINT state = item->state;
  if (item->separator)
    state |= MF_SEPARATOR;
  if (item->is_default)
    state |= MF_DEFAULT;
  if (item->popup) {
    // A popup's state carries its item count in the high byte.
    state |=
        MF_POPUP |
        (static_cast<UINT>(port::FindLocked(item->popup)->items.size()) << 8);
  }
  return state;
}

BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT by_position) {
  std::lock_guard<std::mutex> hold(port::GetMenus().lock);
  port::Menu* found = port::FindLocked(menu);
  if (!found)
    return FALSE;
  port::MenuItem* chosen = nullptr;
  if (item != port::kNotFound) {
    if (by_position) {
      if (item >= found->items.size())
        return FALSE;
      chosen = &found->items[item];
    } else {
      for (port::MenuItem& candidate : found->items) {
        if (!candidate.popup && !candidate.separator && candidate.id == item)
          chosen = &candidate;
      }
      if (!chosen)
        return FALSE;
    }
  }
  // A menu has at most one default item.
  for (port::MenuItem& candidate : found->items)
    candidate.is_default = &candidate == chosen;
  return TRUE;
}

UINT GetMenuDefaultItem(HMENU menu, UINT by_position, UINT flags) {
  std::lock_guard<std::mutex> hold(port::GetMenus().lock);
  return port::DefaultItemLocked(menu, by_position != 0, flags);
}

BOOL EnableMenuItem(HMENU menu, UINT id, UINT enable) {
  std::lock_guard<std::mutex> hold(port::GetMenus().lock);
  port::MenuItem* item =
      port::FindItemLocked(menu, id, (enable & MF_BYPOSITION) != 0);
  if (!item)
    return -1;
  UINT previous = item->state & (MF_GRAYED | MF_DISABLED);
  item->state = (item->state & ~(MF_GRAYED | MF_DISABLED)) |
                (enable & (MF_GRAYED | MF_DISABLED));
  return static_cast<BOOL>(previous);
}

HMENU GetSystemMenu(HWND window, BOOL revert) {
  HMENU previous = nullptr;
  HMENU menu = nullptr;
  {
    std::lock_guard<std::mutex> hold(port::WindowLock());
    port::Window* found = port::FindWindowLocked(window);
    if (!found)
      return nullptr;
    if (revert || !found->system_menu) {
      std::lock_guard<std::mutex> menus(port::GetMenus().lock);
      previous = found->system_menu;
      found->system_menu = port::CreateSystemMenuLocked();
    }
    menu = found->system_menu;
  }
  if (previous)
    DestroyMenu(previous);
  return revert ? nullptr : menu;
}

BOOL TrackPopupMenu(HMENU menu,
                    UINT flags,
                    int x,
                    int y,
                    int,
                    HWND owner,
                    const RECT*) {
  auto prompt = std::make_shared<port::ModalPrompt>(
      port::ModalPrompt::Kind::kPopupMenu, owner);
  if (!IsWindow(owner)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (!port::SnapshotMenu(menu, &prompt->items)) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  prompt->position = POINT{x, y};
  prompt->flags = flags;
  int chosen = prompt->Run();
  if (flags & TPM_RETURNCMD)
    return chosen;
  if (chosen)
    PostMessageW(owner, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
  return TRUE;
}
