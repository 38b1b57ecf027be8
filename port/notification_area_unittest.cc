#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "port/test_desktop.h"
#include "port/test_ui_thread.h"
#include "port/test_windows.h"

namespace port {
namespace {

constexpr UINT kCallback = WM_USER + 111;
constexpr UINT kIconId = 201;

void CopyText(const std::u16string& text, WCHAR* field) {
  std::copy(text.begin(), text.end(), field);
  field[text.size()] = 0;
}

NOTIFYICONDATAW Record(DWORD size, HWND owner) {
  NOTIFYICONDATAW data = {};
  data.cbSize = size;
  data.hWnd = owner;
  data.uID = kIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kCallback;
  data.hIcon = reinterpret_cast<HICON>(uintptr_t{0x1234});
  CopyText(u"updater", data.szTip);
  return data;
}

class NotificationAreaTest : public testing::Test {
 protected:
  TestDesktop desktop_;
  RecordingWindow owner_;
};

TEST_F(NotificationAreaTest, EveryShellLevelRecordSizeIsAccepted) {
  const DWORD kSizes[] = {NOTIFYICONDATAW_V1_SIZE, NOTIFYICONDATAW_V2_SIZE,
                          NOTIFYICONDATAW_V3_SIZE, sizeof(NOTIFYICONDATAW)};
  // The sizes of the 64-bit shell's record levels.
  EXPECT_EQ(168u, NOTIFYICONDATAW_V1_SIZE);
  EXPECT_EQ(952u, NOTIFYICONDATAW_V2_SIZE);
  EXPECT_EQ(968u, NOTIFYICONDATAW_V3_SIZE);
  EXPECT_EQ(976u, sizeof(NOTIFYICONDATAW));
  for (DWORD size : kSizes) {
    SCOPED_TRACE(size);
    NOTIFYICONDATAW data = Record(size, owner_.handle());
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
    NotifyIcon icon;
    ASSERT_TRUE(desktop_.FindNotifyIcon(owner_.handle(), kIconId, &icon));
    EXPECT_EQ(size, icon.record_size);
    EXPECT_EQ(u"updater", icon.tip);
    EXPECT_EQ(kCallback, icon.callback_message);
    EXPECT_EQ(data.hIcon, icon.icon);
    EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
    EXPECT_TRUE(desktop_.NotifyIcons().empty());
  }
  NOTIFYICONDATAW odd = Record(500, owner_.handle());
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &odd));
  EXPECT_TRUE(desktop_.NotifyIcons().empty());
}

TEST_F(NotificationAreaTest, RefusedOrDuplicateOrOwnerlessIconsAreNotAdded) {
  NOTIFYICONDATAW data = Record(sizeof(NOTIFYICONDATAW), owner_.handle());
  desktop_.SetRefuseNotifyIcons(true);
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &data));
  EXPECT_TRUE(desktop_.NotifyIcons().empty());
  data.uFlags = NIF_INFO;
  EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &data));
  EXPECT_TRUE(desktop_.Balloons().empty());

  desktop_.SetRefuseNotifyIcons(false);
  data = Record(sizeof(NOTIFYICONDATAW), owner_.handle());
  EXPECT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &data));
  EXPECT_EQ(1u, desktop_.NotifyIcons().size());

  HWND gone;
  {
    RecordingWindow window;
    gone = window.handle();
  }
  NOTIFYICONDATAW ownerless = Record(sizeof(NOTIFYICONDATAW), gone);
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &ownerless));
}

TEST_F(NotificationAreaTest, TipLengthFollowsTheRecordLevel) {
  std::u16string long_tip(200, u'x');
  const struct {
    DWORD size;
    size_t kept;
  } kCases[] = {{NOTIFYICONDATAW_V1_SIZE, 64}, {NOTIFYICONDATAW_V2_SIZE, 128}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.size);
    NOTIFYICONDATAW data = Record(c.size, owner_.handle());
    std::copy(long_tip.begin(), long_tip.begin() + 128,
              data.szTip);  // no terminator
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
    NotifyIcon icon;
    ASSERT_TRUE(desktop_.FindNotifyIcon(owner_.handle(), kIconId, &icon));
    EXPECT_EQ(c.kept, icon.tip.size());
    Shell_NotifyIconW(NIM_DELETE, &data);
  }
}

TEST_F(NotificationAreaTest, BalloonCarriesItsFieldsFromLevelTwoOn) {
  NOTIFYICONDATAW data = Record(sizeof(NOTIFYICONDATAW), owner_.handle());
  ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
  data.uFlags = NIF_INFO;
  CopyText(u"发现新的版本:2.0 正在下载安装文件...", data.szInfo);
  CopyText(u"更新提示", data.szInfoTitle);
  data.uTimeout = 3000;
  data.dwInfoFlags = NIIF_INFO;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data));
  data.szInfo[0] = 0;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data));
  std::vector<Balloon> balloons = desktop_.Balloons();
  ASSERT_EQ(2u, balloons.size());
  EXPECT_EQ(u"发现新的版本:2.0 正在下载安装文件...", balloons[0].text);
  EXPECT_EQ(u"更新提示", balloons[0].title);
  EXPECT_EQ(3000u, balloons[0].timeout);
  EXPECT_EQ(static_cast<DWORD>(NIIF_INFO), balloons[0].info_flags);
  EXPECT_EQ(kIconId, balloons[0].icon_id);
  EXPECT_EQ(u"", balloons[1].text);
  EXPECT_EQ(u"更新提示", balloons[1].title);
  // The icon itself is unchanged by a balloon.
  NotifyIcon icon;
  ASSERT_TRUE(desktop_.FindNotifyIcon(owner_.handle(), kIconId, &icon));
  EXPECT_EQ(u"updater", icon.tip);
}

TEST_F(NotificationAreaTest, UserBalloonIconAndRealTimeFlagReachTheShell) {
  HICON balloon_icon = reinterpret_cast<HICON>(uintptr_t{0x5678});
  HICON user_icon = reinterpret_cast<HICON>(uintptr_t{0x9abc});
  const struct {
    DWORD size;
    HICON expected;
  } kCases[] = {{sizeof(NOTIFYICONDATAW), balloon_icon},
                {NOTIFYICONDATAW_V3_SIZE, nullptr}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.size);
    NOTIFYICONDATAW data = Record(c.size, owner_.handle());
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
    data.uFlags = NIF_INFO | NIF_REALTIME | NIF_ICON;
    data.hIcon = user_icon;
    data.dwInfoFlags = NIIF_USER | NIIF_NOSOUND;
    data.hBalloonIcon = balloon_icon;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data));
    Balloon balloon = desktop_.Balloons().back();
    EXPECT_EQ(c.expected, balloon.balloon_icon);
    EXPECT_TRUE(balloon.record_flags & NIF_REALTIME);
    EXPECT_EQ(static_cast<DWORD>(NIIF_USER | NIIF_NOSOUND), balloon.info_flags);
    NotifyIcon icon;
    ASSERT_TRUE(desktop_.FindNotifyIcon(owner_.handle(), kIconId, &icon));
    EXPECT_EQ(user_icon, icon.icon);
    Shell_NotifyIconW(NIM_DELETE, &data);
  }
}

TEST_F(NotificationAreaTest, LevelOneRecordShowsNoBalloonAndTakesNoVersion) {
  NOTIFYICONDATAW data = Record(NOTIFYICONDATAW_V1_SIZE, owner_.handle());
  ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
  data.uFlags = NIF_INFO;
  CopyText(u"text", data.szInfo);
  EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data));
  EXPECT_TRUE(desktop_.Balloons().empty());
  data.uVersion = NOTIFYICON_VERSION;
  EXPECT_FALSE(Shell_NotifyIconW(NIM_SETVERSION, &data));

  NOTIFYICONDATAW newer = Record(NOTIFYICONDATAW_V2_SIZE, owner_.handle());
  newer.uVersion = NOTIFYICON_VERSION;
  EXPECT_TRUE(Shell_NotifyIconW(NIM_SETVERSION, &newer));
  NotifyIcon icon;
  ASSERT_TRUE(desktop_.FindNotifyIcon(owner_.handle(), kIconId, &icon));
  EXPECT_EQ(static_cast<UINT>(NOTIFYICON_VERSION), icon.version);
}

TEST_F(NotificationAreaTest, DeleteWorksAfterTheOwnerIsGone) {
  auto owner = std::make_unique<RecordingWindow>();
  NOTIFYICONDATAW data = Record(sizeof(NOTIFYICONDATAW), owner->handle());
  ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
  owner.reset();
  data.uFlags = 0;
  EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
  EXPECT_FALSE(Shell_NotifyIconW(NIM_DELETE, &data));
}

TEST_F(NotificationAreaTest, ClicksReachTheOwnerAsCallbackMessages) {
  NOTIFYICONDATAW data = Record(sizeof(NOTIFYICONDATAW), owner_.handle());
  ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
  EXPECT_TRUE(desktop_.PressIcon(owner_.handle(), kIconId));
  EXPECT_TRUE(desktop_.DoubleClickIcon(owner_.handle(), kIconId));
  EXPECT_TRUE(desktop_.RightClickIcon(owner_.handle(), kIconId));
  EXPECT_FALSE(desktop_.PressIcon(owner_.handle(), kIconId + 1));
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    DispatchMessageW(&msg);
  std::vector<LPARAM> mouse;
  for (const RecordingWindow::Entry& entry : owner_.Received(kCallback)) {
    EXPECT_EQ(kIconId, entry.wparam);
    mouse.push_back(entry.lparam);
  }
  std::vector<LPARAM> expected = {
      WM_LBUTTONDOWN,   WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP,
      WM_LBUTTONDBLCLK, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP};
  EXPECT_EQ(expected, mouse);
  POINT cursor;
  ASSERT_TRUE(GetCursorPos(&cursor));
  EXPECT_EQ(TestDesktop::kIconPosition.x, cursor.x);
}

TEST_F(NotificationAreaTest, HiddenIconCannotBeClicked) {
  NOTIFYICONDATAW data = Record(sizeof(NOTIFYICONDATAW), owner_.handle());
  data.uFlags |= NIF_STATE;
  data.dwState = NIS_HIDDEN;
  data.dwStateMask = NIS_HIDDEN;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
  NotifyIcon icon;
  ASSERT_TRUE(desktop_.FindNotifyIcon(owner_.handle(), kIconId, &icon));
  EXPECT_TRUE(icon.hidden);
  EXPECT_FALSE(desktop_.PressIcon(owner_.handle(), kIconId));
}

TEST_F(NotificationAreaTest, RestartDropsIconsAndBroadcastsTaskbarCreated) {
  TestUiThread ui;
  std::unique_ptr<RecordingWindow> helper;
  ui.Run([&] {
    helper = std::make_unique<RecordingWindow>(nullptr, WS_OVERLAPPEDWINDOW);
  });
  RecordingWindow child(owner_.handle());
  NOTIFYICONDATAW data = Record(sizeof(NOTIFYICONDATAW), owner_.handle());
  ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
  desktop_.RestartNotificationArea();
  EXPECT_TRUE(desktop_.NotifyIcons().empty());
  UINT taskbar_created = RegisterWindowMessageW(u"TaskbarCreated");
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    DispatchMessageW(&msg);
  ui.Run([] {});
  EXPECT_EQ(1u, owner_.Received(taskbar_created).size());
  EXPECT_EQ(1u, helper->Received(taskbar_created).size());
  EXPECT_TRUE(child.Received(taskbar_created).empty());
  // The icon can come back after the restart.
  EXPECT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
  ui.Run([&] { helper.reset(); });
}

TEST(ShellVersionTest, DllGetVersionReportsTheDesktopsShell) {
  TestDesktop desktop;
  HMODULE shell = GetModuleHandleW(u"SHELL32.DLL");
  ASSERT_NE(nullptr, shell);
  ShellVersion version;
  version.major = 6;
  version.minor = 0;
  version.build = 6002;
  desktop.SetShellVersion(version);
  auto get_version = reinterpret_cast<DLLGETVERSIONPROC>(
      GetProcAddress(shell, "DllGetVersion"));
  ASSERT_NE(nullptr, get_version);
  DLLVERSIONINFO info = {};
  info.cbSize = sizeof(info);
  EXPECT_EQ(20u, info.cbSize);
  ASSERT_TRUE(SUCCEEDED(get_version(&info)));
  EXPECT_EQ(6u, info.dwMajorVersion);
  EXPECT_EQ(0u, info.dwMinorVersion);
  EXPECT_EQ(6002u, info.dwBuildNumber);

  version.succeeds = false;
  desktop.SetShellVersion(version);
  EXPECT_TRUE(FAILED(get_version(&info)));
  version.exported = false;
  desktop.SetShellVersion(version);
  EXPECT_EQ(nullptr, GetProcAddress(shell, "DllGetVersion"));
  EXPECT_EQ(nullptr, GetProcAddress(shell, "SomethingElse"));
  EXPECT_EQ(nullptr, GetModuleHandleW(u"user32.dll"));
}

}  // namespace
}  // namespace port
