// The Linux program embeds the resource file that windres compiles from
// ui/updater.rc, as the Windows build does; port/ reads it as Windows
// would. What the dialog, the About box, the tray menu and the icon hold is
// what the script says.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "port/resources.h"
#include "ui/resource.h"

namespace {

// Window class names are compared ignoring letter case.
std::u16string Lower(std::u16string text) {
  for (char16_t& c : text) {
    if (c >= u'A' && c <= u'Z')
      c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return text;
}

TEST(UpdaterResourcesTest, TheDialogShowsWhatTheResourceScriptSays) {
  const port::DialogTemplate* dialog = port::FindDialogTemplate(IDD_MAINDLG);
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(0x0804, dialog->language);
  EXPECT_EQ(u"自动更新", dialog->caption);
  EXPECT_EQ(u"MS Shell Dlg", dialog->font);
  EXPECT_EQ(8, dialog->point_size);
  EXPECT_EQ(static_cast<DWORD>(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
                               DS_SETFONT | DS_FIXEDSYS),
            dialog->style);
  EXPECT_EQ(0, dialog->x);
  EXPECT_EQ(287, dialog->cx);
  EXPECT_EQ(39, dialog->cy);
  ASSERT_EQ(2u, dialog->items.size());
  const port::DialogItemTemplate& progress = dialog->items[0];
  EXPECT_EQ(IDC_PROGRESS, progress.id);
  EXPECT_EQ(u"msctls_progress32", Lower(progress.class_name));
  EXPECT_EQ(static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_BORDER),
            progress.style);
  EXPECT_EQ(
      (std::vector<short>{3, 21, 280, 14}),
      (std::vector<short>{progress.x, progress.y, progress.cx, progress.cy}));
  const port::DialogItemTemplate& status = dialog->items[1];
  EXPECT_EQ(IDC_STATUS, status.id);
  EXPECT_EQ(u"static", Lower(status.class_name));
  EXPECT_EQ(u"正在准备安装文件....", status.text);
  EXPECT_EQ(static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT),
            status.style);
  EXPECT_EQ((std::vector<short>{5, 6, 269, 8}),
            (std::vector<short>{status.x, status.y, status.cx, status.cy}));

  const port::DialogTemplate* about = port::FindDialogTemplate(IDD_ABOUTBOX);
  ASSERT_NE(nullptr, about);
  EXPECT_EQ(0x0409, about->language);
  EXPECT_EQ(u"About", about->caption);
  ASSERT_EQ(4u, about->items.size());
  EXPECT_EQ(u"#128", about->items[1].text);
  EXPECT_EQ(IDOK, about->items[3].id);

  const port::MenuTemplate* menu = port::FindMenuTemplate(IDR_TRAY_MENU);
  ASSERT_NE(nullptr, menu);
  ASSERT_EQ(1u, menu->items.size());
  ASSERT_EQ(1u, menu->items[0].popup.size());
  EXPECT_EQ(u"显示", menu->items[0].popup[0].text);
  EXPECT_EQ(static_cast<UINT>(ID_SHOW), menu->items[0].popup[0].id);

  const port::IconGroupTemplate* icon = port::FindIconGroup(IDR_MAINFRAME);
  ASSERT_NE(nullptr, icon);
  ASSERT_EQ(4u, icon->images.size());
  EXPECT_EQ(256, icon->images[0].width);
  EXPECT_TRUE(icon->images[0].png);
  for (size_t i = 1; i < 4; ++i) {
    EXPECT_EQ((std::vector<int>{48, 32, 16})[i - 1], icon->images[i].width);
    EXPECT_EQ(32, icon->images[i].bits_per_pixel);
    EXPECT_FALSE(icon->images[i].png);
  }
}

}  // namespace
