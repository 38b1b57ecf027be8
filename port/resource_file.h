// Reads a compiled resource file (.res, as rc and windres write it: a
// header and the data of each resource, each on a four-byte boundary) into
// the dialog, menu and icon group templates the stand-in works from. Plain
// functions; any thread.
#ifndef PORT_RESOURCE_FILE_H_
#define PORT_RESOURCE_FILE_H_

#include <vector>

#include "port/resources.h"

namespace port {

struct ResourceSet {
  std::vector<DialogTemplate> dialogs;
  std::vector<MenuTemplate> menus;
  std::vector<IconGroupTemplate> icon_groups;
};

// Reads the resources of |file| with numeric types and ids: dialogs
// (DLGTEMPLATEEX), menus (the menu template) and icon groups (GRPICONDIR,
// with the icon images it names); resources of other types are passed
// over. False when anything of those is not well formed. The icon images
// point into |file|.
bool ReadResourceFile(const ResourceFile& file, ResourceSet* set);

}  // namespace port

#endif  // PORT_RESOURCE_FILE_H_
