// Menus as the desktop sees them: a snapshot of a menu's items for a popup
// that is being shown. Any thread.
#ifndef PORT_MENUS_H_
#define PORT_MENUS_H_

#include <windows.h>

#include <vector>

#include "port/modal_prompt.h"

namespace port {

// False when |menu| is not a menu.
bool SnapshotMenu(HMENU menu, std::vector<MenuItemView>* items);

}  // namespace port

#endif  // PORT_MENUS_H_
