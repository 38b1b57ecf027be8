// The program's resources on Linux: the compiled resource file (.res) that
// windres makes from the resource script, embedded in the program as it is
// in the Windows build's, and read in the formats Windows reads: dialog
// templates (DLGTEMPLATEEX), menu templates and icon groups (GRPICONDIR with
// their icon images). A resource file is registered once, before the first
// window is created, with a static ResourceRegistration object; the dialog
// manager, LoadMenuW and LoadImageW look its resources up by id. The linker
// drops a file of a static library that nothing references, registrations
// and all, so a registration belongs in a file linked as an object. Any
// thread.
#ifndef PORT_RESOURCES_H_
#define PORT_RESOURCES_H_

#include <windows.h>

#include <string>
#include <vector>

namespace port {

// A compiled resource file in memory, which outlives its registration.
struct ResourceFile {
  const unsigned char* data;
  size_t size;
};

// Positions and sizes in dialog units of the template's font.
struct DialogItemTemplate {
  WORD id;
  std::u16string class_name;  // "Button", "Static", "msctls_progress32", ...
  std::u16string text;        // empty for none
  DWORD style;                // WS_CHILD is implied
  DWORD ex_style;
  short x;
  short y;
  short cx;
  short cy;
};

struct DialogTemplate {
  WORD id;
  WORD language;  // e.g. 0x0804 Chinese (PRC), 0x0409 English (US)
  std::u16string caption;
  std::u16string font;
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
  bool separator;
  std::u16string text;
  UINT id;     // command id; 0 for popups and separators
  UINT flags;  // MF_GRAYED, MF_CHECKED, ...
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
  // The image as the resource file holds it: PNG data, or a bitmap header
  // followed by its rows, bottom row first, and its mask.
  const unsigned char* data;
  size_t size;
};

struct IconGroupTemplate {
  WORD id;
  std::vector<IconImage> images;
};

class ResourceRegistration {
 public:
  // Registers the dialogs, menus and icon groups of |file|; a file that
  // cannot be read is a fault of the program itself.
  explicit ResourceRegistration(const ResourceFile& file);
  ResourceRegistration(const ResourceRegistration&) = delete;
  ResourceRegistration& operator=(const ResourceRegistration&) = delete;
};

// Reads |file| and registers what it holds; false, with nothing registered,
// when it is not a well-formed resource file.
bool RegisterResourceFile(const ResourceFile& file);

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
