// The program's compiled-in resources: dialog templates, menus and icon
// groups with the ids, classes, texts, styles and positions of the Windows
// resources. The owner of the data registers each resource once, before the
// first window is created, with a static ResourceRegistration object; the
// dialog manager, LoadMenuW and LoadImageW look them up by id. The linker
// drops a file of a static library that nothing references, registrations
// and all, so they belong in a file the program uses or that is linked as
// an object. Registered data must outlive its use. Any thread.
#ifndef PORT_RESOURCES_H_
#define PORT_RESOURCES_H_

#include <windows.h>

#include <vector>

namespace port {

// Positions and sizes in dialog units of the template's font.
struct DialogItemTemplate {
  WORD id;
  const char16_t* class_name;  // "Button", "Static", "msctls_progress32", ...
  const char16_t* text;        // "" for none
  DWORD style;                 // WS_CHILD is implied
  DWORD ex_style;
  short x;
  short y;
  short cx;
  short cy;
};

struct DialogTemplate {
  WORD id;
  WORD language;  // e.g. 0x0804 Chinese (PRC), 0x0409 English (US)
  const char16_t* caption;
  const char16_t* font;
  WORD point_size;
  DWORD style;
  DWORD ex_style;
  short x;
  short y;
  short cx;
  short cy;
  std::vector<DialogItemTemplate> items;
};

struct MenuItemTemplate {
  const char16_t* text;  // nullptr for a separator
  UINT id;               // command id; 0 for popups and separators
  UINT flags;            // MF_GRAYED, MF_CHECKED, MF_DEFAULT
  std::vector<MenuItemTemplate> popup;  // non-empty for a popup
};

struct MenuTemplate {
  WORD id;
  WORD language;
  std::vector<MenuItemTemplate> items;
};

struct IconImage {
  int width;
  int height;
  int bits_per_pixel;
  bool png;  // stored compressed, as the 256-pixel images are
  const unsigned char* data;
  size_t size;
};

struct IconGroupTemplate {
  WORD id;
  std::vector<IconImage> images;
};

class ResourceRegistration {
 public:
  explicit ResourceRegistration(const DialogTemplate& dialog);
  explicit ResourceRegistration(const MenuTemplate& menu);
  explicit ResourceRegistration(const IconGroupTemplate& icon_group);
  ResourceRegistration(const ResourceRegistration&) = delete;
  ResourceRegistration& operator=(const ResourceRegistration&) = delete;
};

// Null when no resource of that id is registered.
const DialogTemplate* FindDialogTemplate(WORD id);
const MenuTemplate* FindMenuTemplate(WORD id);
const IconGroupTemplate* FindIconGroup(WORD id);

// What an icon handle from LoadImageW shows; false for a handle that is not
// a live icon.
struct IconDescription {
  WORD group_id;
  int width;
  int height;
  const IconImage* image;  // the group's image it was made from
};
bool DescribeIcon(HICON icon, IconDescription* description);

}  // namespace port

#endif  // PORT_RESOURCES_H_
