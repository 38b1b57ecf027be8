#include "port/resource_file.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/test_files.h"

namespace port {
namespace {

// The test resources as windres compiled them, which the test binary also
// embeds and registers.
std::string TestResourceFile() {
  return test::ReadFileOrEmpty(PORT_TEST_RES);
}

// Window class names are compared ignoring letter case.
std::u16string Lower(std::u16string text) {
  for (char16_t& c : text) {
    if (c >= u'A' && c <= u'Z')
      c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return text;
}

bool Read(const std::string& bytes, ResourceSet* set) {
  return ReadResourceFile(
      ResourceFile{reinterpret_cast<const unsigned char*>(bytes.data()),
                   bytes.size()},
      set);
}

TEST(ResourceFileTest, DialogsAreReadAsTheScriptWroteThem) {
  const DialogTemplate* dialog = FindDialogTemplate(9129);
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(0x0804, dialog->language);
  EXPECT_EQ(u"自动更新", dialog->caption);
  EXPECT_EQ(u"MS Shell Dlg", dialog->font);
  EXPECT_EQ(8, dialog->point_size);
  ASSERT_EQ(2u, dialog->items.size());
  EXPECT_EQ(u"msctls_progress32", Lower(dialog->items[0].class_name));
  EXPECT_EQ(static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_BORDER),
            dialog->items[0].style);
  EXPECT_EQ(u"static", Lower(dialog->items[1].class_name));
  EXPECT_EQ(u"正在准备安装文件....", dialog->items[1].text);
  EXPECT_EQ(1001, dialog->items[1].id);

  const DialogTemplate* box = FindDialogTemplate(9100);
  ASSERT_NE(nullptr, box);
  EXPECT_EQ(0x0409, box->language);
  ASSERT_EQ(1u, box->items.size());
  EXPECT_EQ(u"button", Lower(box->items[0].class_name));
  EXPECT_EQ(IDOK, box->items[0].id);
}

TEST(ResourceFileTest, MenusKeepTheirLevelsSeparatorsAndStates) {
  const MenuTemplate* menu = FindMenuTemplate(9202);
  ASSERT_NE(nullptr, menu);
  ASSERT_EQ(2u, menu->items.size());
  const MenuItemTemplate& file = menu->items[0];
  EXPECT_EQ(u"&File", file.text);
  ASSERT_EQ(4u, file.popup.size());
  EXPECT_EQ(101u, file.popup[0].id);
  EXPECT_FALSE(file.popup[0].separator);
  EXPECT_TRUE(file.popup[1].separator);
  EXPECT_EQ(static_cast<UINT>(MF_GRAYED), file.popup[2].flags);
  ASSERT_EQ(1u, file.popup[3].popup.size());
  EXPECT_EQ(static_cast<UINT>(MF_CHECKED), file.popup[3].popup[0].flags);
  EXPECT_EQ(104u, menu->items[1].id);
  EXPECT_TRUE(menu->items[1].popup.empty());
}

TEST(ResourceFileTest, IconGroupsNameTheirImages) {
  const IconGroupTemplate* icon = FindIconGroup(9128);
  ASSERT_NE(nullptr, icon);
  ASSERT_EQ(4u, icon->images.size());
  EXPECT_EQ(256, icon->images[0].width);
  EXPECT_TRUE(icon->images[0].png);
  EXPECT_EQ(16, icon->images[3].height);
  EXPECT_FALSE(icon->images[3].png);
  // A bitmap: a 40-byte header, then 16 rows of 16 four-byte pixels.
  EXPECT_GE(icon->images[3].size, 40u + 16 * 16 * 4);
}

// Whatever a damaged file holds, it is read within its bounds; a file cut
// short is refused, or holds fewer resources when the cut fell between two.
TEST(ResourceFileTest, DamagedFilesAreRefused) {
  const std::string file = TestResourceFile();
  ASSERT_FALSE(file.empty());
  ResourceSet set;
  ASSERT_TRUE(Read(file, &set));
  EXPECT_EQ(3u, set.dialogs.size());
  const size_t all =
      set.dialogs.size() + set.menus.size() + set.icon_groups.size();
  for (size_t length = 1; length < file.size(); length += 7) {
    ResourceSet cut;
    if (Read(file.substr(0, length), &cut)) {
      EXPECT_LT(cut.dialogs.size() + cut.menus.size() + cut.icon_groups.size(),
                all)
          << "cut at " << length;
    }
  }
  for (size_t at = 0; at < file.size(); at += 3) {
    std::string changed = file;
    changed[at] = static_cast<char>(~changed[at]);
    ResourceSet whatever;
    Read(changed, &whatever);
  }
  EXPECT_FALSE(Read("not a resource file", &set));
}

}  // namespace
}  // namespace port
