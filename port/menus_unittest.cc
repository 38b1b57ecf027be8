#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>

#include "port/menus.h"
#include "port/resources.h"
#include "port/test_desktop.h"
#include "port/test_ui_thread.h"
#include "port/test_windows.h"

namespace port {
namespace {

constexpr std::chrono::seconds kDeadline(10);
constexpr WORD kMenu = 9201;
constexpr UINT kShow = 32778;

TEST(MenusTest, LoadedFromTheResourceWithItsPopup) {
  HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kMenu));
  ASSERT_TRUE(IsMenu(menu));
  HMENU popup = GetSubMenu(menu, 0);
  ASSERT_TRUE(IsMenu(popup));
  EXPECT_EQ(nullptr, GetSubMenu(popup, 0));
  EXPECT_EQ(nullptr, GetSubMenu(menu, 1));
  EXPECT_TRUE(GetMenuState(menu, 0, MF_BYPOSITION) & MF_POPUP);
  std::vector<MenuItemView> items;
  ASSERT_TRUE(SnapshotMenu(popup, &items));
  ASSERT_EQ(1u, items.size());
  EXPECT_EQ(kShow, items[0].id);
  EXPECT_EQ(u"显示", items[0].text);
  EXPECT_FALSE(items[0].is_default);
  EXPECT_TRUE(DestroyMenu(menu));
  EXPECT_FALSE(IsMenu(menu));
  EXPECT_FALSE(IsMenu(popup));
  EXPECT_EQ(nullptr, LoadMenuW(nullptr, MAKEINTRESOURCEW(9999)));
}

TEST(MenusTest, DefaultItemByPositionIsFoundByCommandThroughPopups) {
  HMENU menu = LoadMenuW(nullptr, MAKEINTRESOURCEW(kMenu));
  HMENU popup = GetSubMenu(menu, 0);
  EXPECT_EQ(static_cast<UINT>(-1),
            GetMenuDefaultItem(popup, FALSE, GMDI_GOINTOPOPUPS));
  ASSERT_TRUE(SetMenuDefaultItem(popup, 0, TRUE));
  EXPECT_EQ(kShow, GetMenuDefaultItem(popup, FALSE, GMDI_GOINTOPOPUPS));
  EXPECT_EQ(0u, GetMenuDefaultItem(popup, TRUE, 0));
  EXPECT_TRUE(GetMenuState(popup, kShow, MF_BYCOMMAND) & MF_DEFAULT);
  // A greyed default counts only when asked for.
  EnableMenuItem(popup, kShow, MF_BYCOMMAND | MF_GRAYED);
  EXPECT_EQ(static_cast<UINT>(-1), GetMenuDefaultItem(popup, FALSE, 0));
  EXPECT_EQ(kShow, GetMenuDefaultItem(popup, FALSE, GMDI_USEDISABLED));
  EXPECT_FALSE(SetMenuDefaultItem(popup, 5, TRUE));
  ASSERT_TRUE(SetMenuDefaultItem(menu, 0, TRUE));
  EXPECT_EQ(kShow, GetMenuDefaultItem(menu, FALSE,
                                      GMDI_GOINTOPOPUPS | GMDI_USEDISABLED));
  DestroyMenu(menu);
}

TEST(MenusTest, EnableMenuItemReportsThePreviousState) {
  RecordingWindow window;
  HMENU system = GetSystemMenu(window.handle(), FALSE);
  ASSERT_TRUE(IsMenu(system));
  EXPECT_EQ(system, GetSystemMenu(window.handle(), FALSE));
  EXPECT_EQ(static_cast<BOOL>(MF_ENABLED),
            EnableMenuItem(system, SC_CLOSE, MF_GRAYED));
  EXPECT_EQ(static_cast<BOOL>(MF_GRAYED),
            EnableMenuItem(system, SC_CLOSE, MF_GRAYED));
  EXPECT_EQ(-1, EnableMenuItem(system, 12345, MF_GRAYED));
  HWND handle = window.handle();
  DestroyWindow(handle);
  EXPECT_FALSE(IsMenu(system));
}

class PopupMenuTest : public testing::Test {
 protected:
  void SetUp() override {
    ui_.Run([this] {
      owner_ = std::make_unique<RecordingWindow>();
      menu_ = LoadMenuW(nullptr, MAKEINTRESOURCEW(kMenu));
      SetMenuDefaultItem(GetSubMenu(menu_, 0), 0, TRUE);
    });
  }
  void TearDown() override {
    ui_.Run([this] {
      DestroyMenu(menu_);
      owner_.reset();
    });
  }

  // Opens the popup on the UI thread; |result| gets TrackPopupMenu's result.
  void Open(UINT flags, std::atomic<int>* result) {
    ui_.Post([this, flags, result] {
      *result = TrackPopupMenu(GetSubMenu(menu_, 0), flags, 30, 40, 0,
                               owner_->handle(), nullptr);
    });
  }

  TestDesktop desktop_;
  TestUiThread ui_;
  std::unique_ptr<RecordingWindow> owner_;
  HMENU menu_ = nullptr;
};

TEST_F(PopupMenuTest, ChoiceIsPostedToTheOwnerAsCommand) {
  std::atomic<int> result{-1};
  Open(0, &result);
  TestDesktop::PromptView menu;
  ASSERT_TRUE(desktop_.WaitForPopupMenu(kDeadline, &menu));
  ASSERT_EQ(1u, menu.items.size());
  EXPECT_EQ(u"显示", menu.items[0].text);
  EXPECT_TRUE(menu.items[0].is_default);
  EXPECT_EQ(30, menu.position.x);
  EXPECT_EQ(40, menu.position.y);
  EXPECT_EQ(owner_->handle(), menu.owner);
  EXPECT_FALSE(desktop_.ChooseMenuItem(4242));
  EXPECT_TRUE(desktop_.ChooseMenuItem(kShow));
  // The second task runs after whatever the popup's end posted.
  ui_.Run([] {});
  ui_.Run([] {});
  EXPECT_EQ(TRUE, result.load());
  std::vector<RecordingWindow::Entry> commands = owner_->Received(WM_COMMAND);
  ASSERT_EQ(1u, commands.size());
  EXPECT_EQ(kShow, LOWORD(commands[0].wparam));
}

TEST_F(PopupMenuTest, ReturnCommandGivesTheChoiceInstead) {
  std::atomic<int> result{-1};
  Open(TPM_RETURNCMD, &result);
  TestDesktop::PromptView menu;
  ASSERT_TRUE(desktop_.WaitForPopupMenu(kDeadline, &menu));
  EXPECT_TRUE(desktop_.ChooseMenuItem(kShow));
  ui_.Run([] {});
  EXPECT_EQ(static_cast<int>(kShow), result.load());
  EXPECT_TRUE(owner_->Received(WM_COMMAND).empty());
}

TEST_F(PopupMenuTest, DismissedMenuSendsNothing) {
  std::atomic<int> result{-1};
  Open(0, &result);
  TestDesktop::PromptView menu;
  ASSERT_TRUE(desktop_.WaitForPopupMenu(kDeadline, &menu));
  EXPECT_TRUE(desktop_.DismissPopupMenu());
  ui_.Run([] {});
  ui_.Run([] {});
  EXPECT_EQ(TRUE, result.load());
  EXPECT_TRUE(owner_->Received(WM_COMMAND).empty());
}

TEST(HeadlessMenuTest, PopupChoosesNothing) {
  RecordingWindow owner;
  HMENU menu = LoadMenuW(nullptr, MAKEINTRESOURCEW(kMenu));
  EXPECT_EQ(0, TrackPopupMenu(GetSubMenu(menu, 0), TPM_RETURNCMD, 0, 0, 0,
                              owner.handle(), nullptr));
  EXPECT_TRUE(
      TrackPopupMenu(GetSubMenu(menu, 0), 0, 0, 0, 0, owner.handle(), nullptr));
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_FALSE(
      TrackPopupMenu(GetSubMenu(menu, 0), 0, 0, 0, 0, nullptr, nullptr));
  DestroyMenu(menu);
  EXPECT_FALSE(TrackPopupMenu(menu, 0, 0, 0, 0, owner.handle(), nullptr));
}

}  // namespace
}  // namespace port
