#include "port/resource_file.h"

#include <commctrl.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>

namespace port {

namespace {

constexpr WORD kTypeIcon = 3;
constexpr WORD kTypeMenu = 4;
constexpr WORD kTypeDialog = 5;
constexpr WORD kTypeGroupIcon = 14;
// The flag that ends a level of a menu template.
constexpr WORD kMenuEnd = 0x0080;
// The bytes that begin a PNG image, which an icon may hold instead of a
// bitmap.
constexpr unsigned char kPngSignature[] = {0x89, 'P', 'N', 'G'};

// A resource's data and language.
struct Resource {
  WORD language = 0;
  const unsigned char* data = nullptr;
  size_t size = 0;
};

// Reads little-endian values and UTF-16 strings from a block of bytes; a
// read past the end yields zeros and marks the reader as failed.
class Reader {
 public:
  Reader(const unsigned char* data, size_t size, size_t offset = 0)
      : data_(data), size_(size), at_(offset) {}
  BYTE Byte() { return static_cast<BYTE>(Read(1)); }
  WORD Word() { return static_cast<WORD>(Read(2)); }
  DWORD Dword() { return static_cast<DWORD>(Read(4)); }
  short Short() { return static_cast<short>(Word()); }
  std::u16string String() {
    std::u16string text;
    for (char16_t c = Word(); c != 0 && ok_; c = Word())
      text.push_back(c);
    return text;
  }
  // A name or an ordinal: 0xFFFF and a number, or a string. |ordinal| is 0
  // for a name.
  std::u16string NameOrOrdinal(WORD* ordinal) {
    *ordinal = 0;
    if (at_ + 2 <= size_ && data_[at_] == 0xFF && data_[at_ + 1] == 0xFF) {
      Word();
      *ordinal = Word();
      return std::u16string();
    }
    return String();
  }
  void Skip(size_t bytes) { Read(bytes > size_ ? size_ + 1 : bytes); }
  void AlignTo4() { at_ = (at_ + 3) & ~size_t{3}; }
  size_t offset() const { return at_; }
  bool ok() const { return ok_; }

 private:
  uint64_t Read(size_t bytes) {
    if (at_ > size_ || bytes > size_ - at_) {
      ok_ = false;
      at_ = size_;
      return 0;
    }
    uint64_t value = 0;
    for (size_t i = 0; i < bytes && i < 8; ++i)
      value |= static_cast<uint64_t>(data_[at_ + i]) << (8 * i);
    at_ += bytes;
    return value;
  }

  const unsigned char* const data_;
  const size_t size_;
  size_t at_;
  bool ok_ = true;
};

// The resources of |file| with numeric types and ids, by type and id.
bool ReadResources(const ResourceFile& file,
                   std::map<std::pair<WORD, WORD>, Resource>* resources) {
  size_t start = 0;
  while (start < file.size) {
    Reader header(file.data, file.size, start);
    const DWORD data_size = header.Dword();
    const DWORD header_size = header.Dword();
    WORD type = 0;
    WORD id = 0;
    header.NameOrOrdinal(&type);
    header.NameOrOrdinal(&id);
    header.AlignTo4();
    header.Dword();  // data version
    header.Word();   // memory flags
    const WORD language = header.Word();
    if (!header.ok() || header_size < 32 || header_size > file.size - start ||
        data_size > file.size - start - header_size) {
      return false;
    }
    // The file begins with an empty resource, which says it is one.
    if (type != 0 && id != 0)
      (*resources)[{type, id}] =
          Resource{language, file.data + start + header_size, data_size};
    start = (start + header_size + data_size + 3) & ~size_t{3};
  }
  return true;
}

// A control class as a template names it: the predefined atoms stand for
// their classes.
std::u16string ClassName(const std::u16string& name, WORD atom) {
  switch (atom) {
    case 0:
      return name;
    case 0x0080:
      return WC_BUTTONW;
    case 0x0081:
      return u"Edit";
    case 0x0082:
      return WC_STATICW;
    case 0x0083:
      return u"ListBox";
    case 0x0084:
      return u"ScrollBar";
    case 0x0085:
      return u"ComboBox";
  }
  return std::u16string();
}

bool ReadDialog(WORD id, const Resource& resource, DialogTemplate* dialog) {
  Reader reader(resource.data, resource.size);
  WORD ordinal = 0;
  if (reader.Word() != 1 || reader.Word() != 0xFFFF)
    return false;  // only the extended template is written for DIALOGEX
  dialog->id = id;
  dialog->language = resource.language;
  reader.Dword();  // help id
  dialog->ex_style = reader.Dword();
  dialog->style = reader.Dword();
  const WORD count = reader.Word();
  dialog->x = reader.Short();
  dialog->y = reader.Short();
  dialog->cx = reader.Short();
  dialog->cy = reader.Short();
  reader.NameOrOrdinal(&ordinal);  // menu
  reader.NameOrOrdinal(&ordinal);  // dialog class
  dialog->caption = reader.String();
  if (dialog->style & (DS_SETFONT | DS_SHELLFONT)) {
    dialog->point_size = reader.Word();
    reader.Word();  // weight
    reader.Byte();  // italic
    reader.Byte();  // character set
    dialog->font = reader.String();
  }
  for (WORD i = 0; i < count && reader.ok(); ++i) {
    DialogItemTemplate item;
    reader.AlignTo4();
    reader.Dword();  // help id
    item.ex_style = reader.Dword();
    item.style = reader.Dword();
    item.x = reader.Short();
    item.y = reader.Short();
    item.cx = reader.Short();
    item.cy = reader.Short();
    item.id = static_cast<WORD>(reader.Dword());
    const std::u16string class_name = reader.NameOrOrdinal(&ordinal);
    item.class_name = ClassName(class_name, ordinal);
    // A text given as an ordinal names a resource, as "#128" does for an
    // icon control.
    item.text = reader.NameOrOrdinal(&ordinal);
    if (ordinal) {
      std::u16string number;
      for (WORD n = ordinal; n; n /= 10)
        number.insert(number.begin(), static_cast<char16_t>(u'0' + n % 10));
      item.text = u"#" + number;
    }
    reader.Skip(reader.Word());  // creation data
    if (item.class_name.empty())
      return false;
    dialog->items.push_back(std::move(item));
  }
  return reader.ok();
}

// One level of a menu template, up to the item that ends it.
bool ReadMenuItems(Reader* reader, std::vector<MenuItemTemplate>* items) {
  for (;;) {
    MenuItemTemplate item;
    const WORD flags = reader->Word();
    item.id = (flags & MF_POPUP) ? 0 : reader->Word();
    item.text = reader->String();
    item.separator = !(flags & MF_POPUP) && item.id == 0 && item.text.empty();
    item.flags = flags & ~(MF_POPUP | kMenuEnd);
    if (!reader->ok())
      return false;
    if ((flags & MF_POPUP) && !ReadMenuItems(reader, &item.popup))
      return false;
    items->push_back(std::move(item));
    if (flags & kMenuEnd)
      return true;
  }
}

bool ReadMenu(WORD id, const Resource& resource, MenuTemplate* menu) {
  Reader reader(resource.data, resource.size);
  if (reader.Word() != 0)
    return false;  // only the standard template is written for MENU
  reader.Skip(reader.Word());
  menu->id = id;
  menu->language = resource.language;
  return ReadMenuItems(&reader, &menu->items);
}

bool ReadIconGroup(WORD id,
                   const Resource& resource,
                   const std::map<std::pair<WORD, WORD>, Resource>& resources,
                   IconGroupTemplate* group) {
  Reader reader(resource.data, resource.size);
  reader.Word();  // reserved
  if (reader.Word() != 1)
    return false;  // an icon, not a cursor
  const WORD count = reader.Word();
  group->id = id;
  for (WORD i = 0; i < count; ++i) {
    IconImage image;
    image.width = reader.Byte();
    image.height = reader.Byte();
    reader.Byte();  // colours
    reader.Byte();  // reserved
    reader.Word();  // planes
    image.bits_per_pixel = reader.Word();
    reader.Dword();  // size
    const auto icon = resources.find({kTypeIcon, reader.Word()});
    if (!reader.ok() || icon == resources.end())
      return false;
    // A width or height of 0 stands for 256.
    image.width = image.width ? image.width : 256;
    image.height = image.height ? image.height : 256;
    image.data = icon->second.data;
    image.size = icon->second.size;
    image.png = image.size >= sizeof(kPngSignature) &&
                std::equal(kPngSignature, kPngSignature + sizeof(kPngSignature),
                           image.data);
    group->images.push_back(image);
  }
  return true;
}

}  // namespace

bool ReadResourceFile(const ResourceFile& file, ResourceSet* set) {
  std::map<std::pair<WORD, WORD>, Resource> resources;
  if (!ReadResources(file, &resources))
    return false;
  for (const auto& [type_and_id, resource] : resources) {
    const WORD id = type_and_id.second;
    bool read = true;
    switch (type_and_id.first) {
      case kTypeDialog:
        set->dialogs.emplace_back();
        read = ReadDialog(id, resource, &set->dialogs.back());
        break;
      case kTypeMenu:
        set->menus.emplace_back();
        read = ReadMenu(id, resource, &set->menus.back());
        break;
      case kTypeGroupIcon:
        set->icon_groups.emplace_back();
        read = ReadIconGroup(id, resource, resources, &set->icon_groups.back());
        break;
    }
    if (!read)
      return false;
  }
  return true;
}

}  // namespace port
