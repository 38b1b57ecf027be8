#include "ui/tray_notify_icon.h"
#include <shellapi.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "port/test_desktop.h"
#include "ui/resource.h"
#include "ui/window_impl.h"

namespace {

using std::chrono::milliseconds;
constexpr milliseconds kDeadline(5000);
constexpr UINT kIconId = 201;
constexpr UINT kCallback = WM_USER + 111;

// A top-level window that owns the icon and records what reaches it.
class OwnerWindow : public CWindowImpl<OwnerWindow> {
 public:
  static constexpr const WCHAR* kClassName = u"TrayTestOwner";
  static constexpr UINT kClassStyle = 0;

  BOOL ProcessWindowMessage(HWND,
                            UINT message,
                            WPARAM wparam,
                            LPARAM lparam,
                            LRESULT& result) override {
    result = 0;
    if (message == kCallback) {
      callbacks.push_back(static_cast<UINT>(lparam));
      return TRUE;
    }
    if (message == WM_COMMAND) {
      commands.push_back(LOWORD(wparam));
      return TRUE;
    }
    return FALSE;
  }

  std::vector<UINT> callbacks;
  std::vector<WORD> commands;
};

// Dispatches what waits in this thread's queue.
void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    DispatchMessageW(&msg);
}

class TrayNotifyIconTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(owner_.Create(nullptr, u"owner", WS_OVERLAPPEDWINDOW));
    icon_ = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr),
                                          MAKEINTRESOURCEW(IDR_MAINFRAME),
                                          IMAGE_ICON, 32, 32, 0));
  }
  void TearDown() override {
    ::DestroyWindow(owner_.m_hWnd);
    if (icon_)
      DestroyIcon(icon_);
  }

  bool Add(CTrayNotifyIcon* tray, LPCWSTR tip = u"updater", bool show = true) {
    return tray->AddIcon(&owner_, kIconId, tip, icon_, kCallback, 0, show);
  }

  port::TestDesktop desktop_;
  OwnerWindow owner_;
  HICON icon_ = nullptr;
};

TEST_F(TrayNotifyIconTest, RecordSizeFollowsShellVersion) {
  struct Case {
    port::ShellVersion version;
    int level;
    DWORD size;
  } cases[] = {
      {{false, true, 6, 1, 7601}, 0, NOTIFYICONDATAW_V1_SIZE},
      {{true, false, 6, 1, 7601}, 0, NOTIFYICONDATAW_V1_SIZE},
      {{true, true, 4, 72, 0}, 0, NOTIFYICONDATAW_V1_SIZE},
      {{true, true, 5, 0, 0}, 1, NOTIFYICONDATAW_V2_SIZE},
      {{true, true, 6, 0, 5999}, 2, NOTIFYICONDATAW_V3_SIZE},
      {{true, true, 6, 0, 6000}, 3, sizeof(NOTIFYICONDATAW)},
      {{true, true, 6, 1, 0}, 4, sizeof(NOTIFYICONDATAW)},
      {{true, true, 10, 0, 0}, 4, sizeof(NOTIFYICONDATAW)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.version.major << "." << c.version.minor
                                    << "." << c.version.build);
    desktop_.SetShellVersion(c.version);
    CTrayNotifyIcon tray;
    EXPECT_EQ(c.level, tray.shellLevel());
    EXPECT_EQ(c.size, tray.iconData().cbSize);
  }
}

TEST_F(TrayNotifyIconTest, AddIconPutsOwnerIconAndCutTooltipInTheArea) {
  CTrayNotifyIcon tray;
  std::u16string long_tip(200, u'x');
  ASSERT_TRUE(Add(&tray, long_tip.c_str()));
  port::NotifyIcon icon;
  ASSERT_TRUE(desktop_.FindNotifyIcon(owner_.m_hWnd, kIconId, &icon));
  EXPECT_EQ(kCallback, icon.callback_message);
  EXPECT_EQ(icon_, icon.icon);
  EXPECT_EQ(std::u16string(127, u'x'), icon.tip);
  EXPECT_FALSE(icon.hidden);
  EXPECT_EQ(3u, icon.version);
  EXPECT_EQ(sizeof(NOTIFYICONDATAW), icon.record_size);
}

TEST_F(TrayNotifyIconTest, OldShellGetsNoVersionRequestAndIgnoresBalloons) {
  desktop_.SetShellVersion({true, true, 4, 0, 0});
  CTrayNotifyIcon tray;
  ASSERT_TRUE(Add(&tray));
  port::NotifyIcon icon;
  ASSERT_TRUE(desktop_.FindNotifyIcon(owner_.m_hWnd, kIconId, &icon));
  EXPECT_EQ(0u, icon.version);
  EXPECT_EQ(NOTIFYICONDATAW_V1_SIZE, icon.record_size);
  // The modify is still sent; a shell of that age has no balloons to show.
  EXPECT_TRUE(tray.ShowBalloon(u"text", u"title", CTrayNotifyIcon::Info, 3000));
  EXPECT_TRUE(desktop_.Balloons().empty());
}

TEST_F(TrayNotifyIconTest, RefusedIconShowsNoBalloon) {
  desktop_.SetRefuseNotifyIcons(true);
  CTrayNotifyIcon tray;
  EXPECT_FALSE(Add(&tray));
  EXPECT_FALSE(
      tray.ShowBalloon(u"text", u"title", CTrayNotifyIcon::Info, 3000));
  EXPECT_TRUE(desktop_.Balloons().empty());
  EXPECT_TRUE(desktop_.NotifyIcons().empty());
}

TEST_F(TrayNotifyIconTest, BalloonFieldsAreCutAndStylesMapToFlags) {
  CTrayNotifyIcon tray;
  ASSERT_TRUE(Add(&tray));
  std::u16string text(300, u't');
  std::u16string title(100, u'h');
  ASSERT_TRUE(tray.ShowBalloon(text.c_str(), title.c_str(),
                               CTrayNotifyIcon::Info, 3000));
  struct Case {
    CTrayNotifyIcon::BalloonStyle style;
    DWORD flags;
  } cases[] = {{CTrayNotifyIcon::Warning, NIIF_WARNING},
               {CTrayNotifyIcon::Error, NIIF_ERROR},
               {CTrayNotifyIcon::None, NIIF_NONE},
               {CTrayNotifyIcon::User, NIIF_USER}};
  for (const Case& c : cases)
    ASSERT_TRUE(tray.ShowBalloon(u"b", u"t", c.style, 1000));
  ASSERT_TRUE(tray.ShowBalloon(u"b", u"t", CTrayNotifyIcon::Info, 1000, nullptr,
                               true, true));

  std::vector<port::Balloon> balloons = desktop_.Balloons();
  ASSERT_EQ(6u, balloons.size());
  EXPECT_EQ(std::u16string(255, u't'), balloons[0].text);
  EXPECT_EQ(std::u16string(63, u'h'), balloons[0].title);
  EXPECT_EQ(3000u, balloons[0].timeout);
  EXPECT_EQ(static_cast<DWORD>(NIIF_INFO), balloons[0].info_flags);
  for (size_t i = 0; i < 4; ++i)
    EXPECT_EQ(cases[i].flags, balloons[i + 1].info_flags);
  EXPECT_EQ(static_cast<DWORD>(NIIF_INFO | NIIF_NOSOUND | NIIF_LARGE_ICON),
            balloons[5].info_flags);
}

TEST_F(TrayNotifyIconTest, MouseMessagesOfOtherIconsAreNotHandled) {
  CTrayNotifyIcon tray;
  ASSERT_TRUE(Add(&tray));
  EXPECT_EQ(0, tray.HandleTrayMessage(kIconId + 1, WM_RBUTTONUP));
  for (UINT mouse :
       {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_MOUSEMOVE})
    EXPECT_EQ(1, tray.HandleTrayMessage(kIconId, mouse));
  Pump();
  EXPECT_TRUE(owner_.commands.empty());
}

TEST_F(TrayNotifyIconTest, DoubleClickSendsTheDefaultCommandAtOnce) {
  CTrayNotifyIcon tray;
  ASSERT_TRUE(Add(&tray));
  EXPECT_EQ(1, tray.HandleTrayMessage(kIconId, WM_LBUTTONDBLCLK));
  EXPECT_EQ(std::vector<WORD>{ID_SHOW}, owner_.commands);
}

TEST_F(TrayNotifyIconTest, RightClickOpensMenuWithBoldShowItem) {
  CTrayNotifyIcon tray;
  ASSERT_TRUE(Add(&tray));
  port::TestDesktop::PromptView menu;
  std::thread user([&] {
    if (desktop_.WaitForPopupMenu(kDeadline, &menu))
      desktop_.ChooseMenuItem(ID_SHOW);
  });
  EXPECT_EQ(1, tray.HandleTrayMessage(kIconId, WM_RBUTTONUP));
  user.join();
  ASSERT_EQ(1u, menu.items.size());
  EXPECT_EQ(u"显示", menu.items[0].text);
  EXPECT_EQ(static_cast<UINT>(ID_SHOW), menu.items[0].id);
  EXPECT_TRUE(menu.items[0].is_default);
  EXPECT_EQ(owner_.m_hWnd, menu.owner);
  Pump();
  EXPECT_EQ(std::vector<WORD>{ID_SHOW}, owner_.commands);

  std::thread dismisser([&] {
    if (desktop_.WaitForPopupMenu(kDeadline, &menu))
      desktop_.DismissPopupMenu();
  });
  tray.HandleTrayMessage(kIconId, WM_RBUTTONUP);
  dismisser.join();
  Pump();
  EXPECT_EQ(std::vector<WORD>{ID_SHOW}, owner_.commands);
}

TEST_F(TrayNotifyIconTest, ComesBackWithoutBalloonAfterTheShellRestarts) {
  CTrayNotifyIcon tray;
  ASSERT_TRUE(Add(&tray));
  ASSERT_TRUE(tray.ShowBalloon(u"b", u"t", CTrayNotifyIcon::Info, 3000));
  desktop_.RestartNotificationArea();
  Pump();
  port::NotifyIcon icon;
  ASSERT_TRUE(desktop_.FindNotifyIcon(owner_.m_hWnd, kIconId, &icon));
  EXPECT_EQ(u"updater", icon.tip);
  EXPECT_EQ(icon_, icon.icon);
  EXPECT_EQ(1u, desktop_.Balloons().size());
  ASSERT_TRUE(desktop_.PressIcon(owner_.m_hWnd, kIconId));
  Pump();
  EXPECT_EQ((std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}),
            owner_.callbacks);
}

TEST_F(TrayNotifyIconTest, HiddenIconStaysHiddenWhenAddedAgain) {
  CTrayNotifyIcon tray;
  ASSERT_TRUE(Add(&tray, u"updater", false));
  desktop_.RestartNotificationArea();
  Pump();
  port::NotifyIcon icon;
  ASSERT_TRUE(desktop_.FindNotifyIcon(owner_.m_hWnd, kIconId, &icon));
  EXPECT_TRUE(icon.hidden);
}

TEST_F(TrayNotifyIconTest, DestructionRemovesIconAndHelperWindow) {
  {
    CTrayNotifyIcon tray;
    ASSERT_TRUE(Add(&tray));
    EXPECT_NE(nullptr,
              desktop_.FindTopLevelWindow(u"CTrayNotifyIcon Helper Window"));
  }
  EXPECT_TRUE(desktop_.NotifyIcons().empty());
  EXPECT_EQ(nullptr,
            desktop_.FindTopLevelWindow(u"CTrayNotifyIcon Helper Window"));
}

}  // namespace
