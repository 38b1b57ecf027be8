// The Windows resource script and the Linux build's resource data describe
// the same dialogs, menu and icon: this reads the script as the Windows
// build compiles it (a .res file from windres) and compares it with what
// the Linux build registers.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "port/resources.h"
#include "tests/child_process.h"
#include "ui/resource.h"

namespace {

constexpr WORD kTypeIcon = 3;
constexpr WORD kTypeMenu = 4;
constexpr WORD kTypeDialog = 5;
constexpr WORD kTypeGroupIcon = 14;
// The flag that ends a level of a menu template.
constexpr WORD kMenuEnd = 0x0080;

struct Resource {
  WORD language = 0;
  std::string data;
};

// Reads little-endian values and UTF-16 strings from a block of bytes; a
// read past the end yields zeros and marks the reader as failed.
class Reader {
 public:
  explicit Reader(const std::string& data, size_t offset = 0) : data_(data), at_(offset) {}
  WORD Word() { return static_cast<WORD>(Read(2)); }
  DWORD Dword() { return static_cast<DWORD>(Read(4)); }
  short Short() { return static_cast<short>(Word()); }
  std::u16string String() {
    std::u16string text;
    for (char16_t c = Word(); c != 0 && ok_; c = Word())
      text.push_back(c);
    return text;
  }
  // A name or an ordinal: 0xFFFF and a number, or a string.
  std::u16string NameOrOrdinal() {
    if (Peek() == 0xFFFF) {
      Word();
      return u"#" + std::u16string(1, static_cast<char16_t>(Word()));
    }
    return String();
  }
  void AlignTo4() { at_ = (at_ + 3) & ~size_t{3}; }
  size_t offset() const { return at_; }
  bool ok() const { return ok_; }

 private:
  WORD Peek() {
    size_t saved = at_;
    WORD value = Word();
    at_ = saved;
    return value;
  }
  uint64_t Read(size_t bytes) {
    if (at_ + bytes > data_.size()) {
      ok_ = false;
      at_ = data_.size();
      return 0;
    }
    uint64_t value = 0;
    for (size_t i = 0; i < bytes; ++i)
      value |= static_cast<uint64_t>(static_cast<unsigned char>(data_[at_ + i])) << (8 * i);
    at_ += bytes;
    return value;
  }

  const std::string& data_;
  size_t at_;
  bool ok_ = true;
};

// The resources of a .res file by numeric type and id.
std::map<std::pair<WORD, WORD>, Resource> ReadResFile(const std::string& path) {
  std::map<std::pair<WORD, WORD>, Resource> resources;
  const std::string file = test::ReadFileOrEmpty(path);
  size_t start = 0;
  while (start + 8 <= file.size()) {
    Reader header(file, start);
    const DWORD data_size = header.Dword();
    const DWORD header_size = header.Dword();
    const std::u16string type = header.NameOrOrdinal();
    const std::u16string name = header.NameOrOrdinal();
    header.AlignTo4();
    header.Dword();  // data version
    header.Word();   // memory flags
    const WORD language = header.Word();
    if (!header.ok() || header_size == 0 || start + header_size + data_size > file.size())
      break;
    if (type.size() == 2 && type[0] == u'#' && name.size() == 2 && name[0] == u'#') {
      resources[{type[1], name[1]}] =
          Resource{language, file.substr(start + header_size, data_size)};
    }
    start = (start + header_size + data_size + 3) & ~size_t{3};
  }
  return resources;
}

std::u16string Lower(std::u16string text) {
  for (char16_t& c : text) {
    if (c >= u'A' && c <= u'Z')
      c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return text;
}

// A control class as the template names it: the predefined atoms stand for
// their class names.
std::u16string ClassName(const std::u16string& name_or_atom) {
  if (name_or_atom == u"#\x0080")
    return u"button";
  if (name_or_atom == u"#\x0082")
    return u"static";
  return Lower(name_or_atom);
}

class ResourceScriptTest : public testing::Test {
 protected:
  void SetUp() override {
    resources_ = ReadResFile(UPDATER_RES);
    ASSERT_FALSE(resources_.empty()) << UPDATER_RES;
  }

  void ExpectSameDialog(WORD id) {
    SCOPED_TRACE(id);
    const port::DialogTemplate* expected = port::FindDialogTemplate(id);
    ASSERT_NE(nullptr, expected);
    ASSERT_EQ(1u, resources_.count({kTypeDialog, id}));
    const Resource& resource = resources_[{kTypeDialog, id}];
    EXPECT_EQ(expected->language, resource.language);

    Reader dialog(resource.data);
    ASSERT_EQ(1, dialog.Word());  // DLGTEMPLATEEX
    ASSERT_EQ(0xFFFF, dialog.Word());
    dialog.Dword();  // help id
    EXPECT_EQ(expected->ex_style, dialog.Dword());
    const DWORD style = dialog.Dword();
    EXPECT_EQ(expected->style, style);
    const WORD count = dialog.Word();
    EXPECT_EQ(expected->x, dialog.Short());
    EXPECT_EQ(expected->y, dialog.Short());
    EXPECT_EQ(expected->cx, dialog.Short());
    EXPECT_EQ(expected->cy, dialog.Short());
    EXPECT_EQ(u"", dialog.NameOrOrdinal());  // no menu
    EXPECT_EQ(u"", dialog.NameOrOrdinal());  // the dialog class
    EXPECT_EQ(std::u16string(expected->caption), dialog.String());
    ASSERT_TRUE(style & DS_SETFONT);
    EXPECT_EQ(expected->point_size, dialog.Word());
    dialog.Word();  // weight
    dialog.Word();  // italic, character set
    EXPECT_EQ(std::u16string(expected->font), dialog.String());

    ASSERT_EQ(expected->items.size(), count);
    for (const port::DialogItemTemplate& item : expected->items) {
      SCOPED_TRACE(item.id);
      dialog.AlignTo4();
      dialog.Dword();  // help id
      EXPECT_EQ(item.ex_style, dialog.Dword());
      EXPECT_EQ(item.style, dialog.Dword());
      EXPECT_EQ(item.x, dialog.Short());
      EXPECT_EQ(item.y, dialog.Short());
      EXPECT_EQ(item.cx, dialog.Short());
      EXPECT_EQ(item.cy, dialog.Short());
      EXPECT_EQ(item.id, static_cast<WORD>(dialog.Dword()));
      EXPECT_EQ(Lower(item.class_name), ClassName(dialog.NameOrOrdinal()));
      EXPECT_EQ(std::u16string(item.text), dialog.String());
      EXPECT_EQ(0, dialog.Word());  // no creation data
    }
    EXPECT_TRUE(dialog.ok());
  }

  std::map<std::pair<WORD, WORD>, Resource> resources_;
};

TEST_F(ResourceScriptTest, DialogsMatchTheLinuxTemplates) {
  ExpectSameDialog(IDD_MAINDLG);
  ExpectSameDialog(IDD_ABOUTBOX);
}

TEST_F(ResourceScriptTest, TrayMenuMatchesTheLinuxTemplate) {
  const port::MenuTemplate* expected = port::FindMenuTemplate(IDR_TRAY_MENU);
  ASSERT_NE(nullptr, expected);
  ASSERT_EQ(1u, resources_.count({kTypeMenu, IDR_TRAY_MENU}));
  const Resource& resource = resources_[{kTypeMenu, IDR_TRAY_MENU}];
  EXPECT_EQ(expected->language, resource.language);
  // One popup holding one item, both the last of their level.
  ASSERT_EQ(1u, expected->items.size());
  ASSERT_EQ(1u, expected->items[0].popup.size());
  Reader menu(resource.data);
  EXPECT_EQ(0, menu.Word());
  EXPECT_EQ(0, menu.Word());
  EXPECT_EQ(MF_POPUP | kMenuEnd, menu.Word());
  EXPECT_EQ(std::u16string(expected->items[0].text), menu.String());
  const port::MenuItemTemplate& item = expected->items[0].popup[0];
  EXPECT_EQ(item.flags | kMenuEnd, menu.Word());
  EXPECT_EQ(item.id, menu.Word());
  EXPECT_EQ(std::u16string(item.text), menu.String());
  EXPECT_TRUE(menu.ok());
}

TEST_F(ResourceScriptTest, IconHoldsTheSameImages) {
  const port::IconGroupTemplate* expected = port::FindIconGroup(IDR_MAINFRAME);
  ASSERT_NE(nullptr, expected);
  ASSERT_EQ(1u, resources_.count({kTypeGroupIcon, IDR_MAINFRAME}));
  Reader group(resources_[{kTypeGroupIcon, IDR_MAINFRAME}].data);
  group.Word();
  EXPECT_EQ(1, group.Word());
  ASSERT_EQ(expected->images.size(), group.Word());
  for (const port::IconImage& image : expected->images) {
    SCOPED_TRACE(image.width);
    BYTE width_height = static_cast<BYTE>(group.Word() & 0xFF);
    EXPECT_EQ(image.width % 256, width_height);
    group.Word();  // colours, reserved
    group.Word();  // planes
    EXPECT_EQ(image.bits_per_pixel, group.Word());
    group.Dword();  // size
    const WORD icon_id = group.Word();
    ASSERT_EQ(1u, resources_.count({kTypeIcon, icon_id}));
    const std::string& data = resources_[{kTypeIcon, icon_id}].data;
    const std::string pixels(reinterpret_cast<const char*>(image.data), image.size);
    if (image.png) {
      EXPECT_EQ(pixels, data);
      continue;
    }
    // A bitmap: a 40-byte header, then the rows bottom-up.
    const size_t stride = static_cast<size_t>(image.width) * 4;
    ASSERT_GE(data.size(), 40 + stride * image.height);
    for (int row = 0; row < image.height; ++row) {
      EXPECT_EQ(pixels.substr(row * stride, stride),
                data.substr(40 + (image.height - 1 - row) * stride, stride))
          << "row " << row;
    }
  }
}

}  // namespace
