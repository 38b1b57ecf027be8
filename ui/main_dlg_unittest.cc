// Drives the real update dialog through the test desktop: the dialog runs
// its UI loop on a thread of its own, the worker downloads from a loopback
// server, and the test acts as the user and as the shell.
#include "ui/main_dlg.h"

#include <curl/curl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "app/http_transfer.h"
#include "app/startup_state.h"
#include "base/logging.h"
#include "engine/update_thread.h"
#include "port/test_desktop.h"
#include "tests/host_log.h"
#include "tests/http_test_server.h"
#include "tests/test_files.h"
#include "ui/app_module.h"
#include "ui/update_dialog.h"

namespace {

using port::TestDesktop;
using std::chrono::milliseconds;
constexpr milliseconds kDeadline(10000);

// An archive with no entries, which installs nothing, and its digest. It
// follows a stub, as minizip opens no directory end found at offset 0.
const char kEmptyZip[] =
    "MZ stub program.PK\x05\x06\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0";
const char kEmptyZipMd5[] = "db2e9aa3f69fa73ce02038507abb3757";

// RunUpdateDialog on a UI thread of its own.
class DialogRun {
 public:
  void Start() {
    thread_ = std::thread([this] {
      result_ = RunUpdateDialog(u"", SW_SHOWDEFAULT);
      done_ = true;
    });
  }
  // The run's result once it has ended; a run that does not end in time
  // fails the test and ends the process rather than hang it.
  int Finish() {
    if (!TestDesktop::WaitUntil([this] { return done_.load(); },
                                milliseconds(60000))) {
      ADD_FAILURE() << "the UI loop did not end";
      std::abort();
    }
    thread_.join();
    return result_;
  }
  bool done() const { return done_; }

 private:
  std::thread thread_;
  std::atomic<bool> done_{false};
  int result_ = -1;
};

class MainDlgTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { curl_global_init(CURL_GLOBAL_ALL); }

  void SetUp() override {
    ASSERT_TRUE(server_.Start());
    _Module.Init(nullptr, nullptr);
    logging::SetLogFileForTesting(log_dir_.path() + "/debug.log");
    // A host name of this test's own, so that no other program's processes
    // hold up the wait for the host.
    host_name_ = "mv" + std::to_string(getpid()) + ".exe";
    host_binary_ = host_dir_.path() + "/" + host_name_;
    std::filesystem::copy_file(DEMO_HOST_BINARY, host_binary_);
    g_hostExeName = std::u16string(host_name_.begin(), host_name_.end());
    g_launchArgs = u"-launch";
    g_hostWindow = 0;
    g_notify = true;
    Offer("1.0.2.6", kEmptyZipMd5);
  }

  void TearDown() override {
    logging::SetLogFileForTesting(std::string());
    _Module.Term();
  }

  void Offer(const std::string& version, const std::string& md5) {
    g_updateInfo = UpdateInfo();
    g_updateInfo.version = version;
    g_updateInfo.md5 = md5;
    g_updateInfo.file_url = server_.Url("/package.zip");
    g_updateInfo.compress = "zip";
  }

  void ServePackage(const std::string& body,
                    size_t stall_after = std::string::npos,
                    bool send_length = true) {
    test::HttpResponse response;
    response.content_type = "application/zip";
    response.body = body;
    response.cut_after = stall_after;
    response.send_length = send_length;
    server_.SetResponse("/package.zip", response);
  }

  void ServeStalledPackage() {
    ServePackage(std::string(1 << 20, 'p'), 1 << 19);
  }

  void StartHost(test::HostLog* host,
                 const std::vector<std::string>& args = {}) {
    ASSERT_TRUE(host->Start(host_binary_, args));
    g_hostWindow = host->hwnd();
  }

  // Starts |run| and waits until the dialog exists and the worker has asked
  // for the package: a close request before that would be forgotten, as
  // the transfer clears the cancel flag when it starts.
  HWND StartDialog(DialogRun* run, const TestDesktop& desktop) {
    int requests = server_.RequestCount("/package.zip");
    run->Start();
    HWND dialog = nullptr;
    EXPECT_TRUE(TestDesktop::WaitUntil(
        [&] {
          dialog = desktop.FindTopLevelWindow(u"自动更新");
          return dialog && server_.RequestCount("/package.zip") > requests;
        },
        kDeadline));
    return dialog;
  }
  HWND StartDialog() { return StartDialog(&run_, desktop_); }

  bool Visible(HWND dialog) const {
    TestDesktop::WindowView view;
    return desktop_.ReadWindow(dialog, &view) && view.visible;
  }

  bool BecomesVisible(HWND dialog, bool visible) const {
    return TestDesktop::WaitUntil([&] { return Visible(dialog) == visible; },
                                  kDeadline);
  }

  int ProgressPosition(HWND dialog) const {
    TestDesktop::WindowView view;
    return desktop_.ReadWindow(GetDlgItem(dialog, IDC_PROGRESS), &view)
               ? view.progress_position
               : -1;
  }

  std::string LogText() const {
    return test::ReadFileOrEmpty(log_dir_.path() + "/debug.log");
  }

  TestDesktop desktop_;
  test::HttpTestServer server_;
  test::ScopedTempDir log_dir_;
  test::ScopedTempDir host_dir_;
  std::string host_name_;
  std::string host_binary_;
  DialogRun run_;
};

TEST_F(MainDlgTest, StartsHiddenWithIconAndBalloonOnly) {
  ServeStalledPackage();
  HWND dialog = StartDialog();
  ASSERT_NE(nullptr, dialog);
  EXPECT_FALSE(Visible(dialog));
  std::vector<port::NotifyIcon> icons = desktop_.NotifyIcons();
  ASSERT_EQ(1u, icons.size());
  EXPECT_EQ(u"updater", icons[0].tip);
  EXPECT_EQ(static_cast<UINT>(WM_TRAYICON), icons[0].callback_message);
  ASSERT_EQ(1u, desktop_.Balloons().size());
  port::Balloon balloon = desktop_.Balloons()[0];
  EXPECT_EQ(u"更新提示", balloon.title);
  EXPECT_EQ(u"发现新的版本:1.0.2.6 正在下载安装文件...", balloon.text);
  EXPECT_EQ(3000u, balloon.timeout);
  EXPECT_EQ(static_cast<DWORD>(NIIF_INFO), balloon.info_flags);
  PostMessageW(dialog, WM_CLOSE, 0, 0);
  EXPECT_EQ(2, run_.Finish());
  EXPECT_TRUE(desktop_.NotifyIcons().empty());
}

TEST_F(MainDlgTest, IconMenuAndCaptionButtonsShowAndHideTheDialog) {
  ServeStalledPackage();
  HWND dialog = StartDialog();
  ASSERT_NE(nullptr, dialog);

  ASSERT_TRUE(desktop_.PressIcon(dialog, 201));
  EXPECT_TRUE(BecomesVisible(dialog, true));
  ASSERT_TRUE(desktop_.PressIcon(dialog, 201));
  EXPECT_TRUE(BecomesVisible(dialog, false));

  // On a visible dialog the press hides it and the double-click's default
  // command shows it again.
  ASSERT_TRUE(desktop_.PressIcon(dialog, 201));
  ASSERT_TRUE(BecomesVisible(dialog, true));
  ASSERT_TRUE(desktop_.DoubleClickIcon(dialog, 201));
  ASSERT_TRUE(
      desktop_.PressKey(dialog, VK_ESCAPE));  // a marker behind the clicks
  TestDesktop::WaitUntil([] { return false; }, milliseconds(200));
  EXPECT_TRUE(Visible(dialog));

  ASSERT_TRUE(desktop_.ClickMinimizeBox(dialog));
  EXPECT_TRUE(BecomesVisible(dialog, false));

  ASSERT_TRUE(desktop_.RightClickIcon(dialog, 201));
  TestDesktop::PromptView menu;
  ASSERT_TRUE(desktop_.WaitForPopupMenu(kDeadline, &menu));
  ASSERT_EQ(1u, menu.items.size());
  EXPECT_EQ(u"显示", menu.items[0].text);
  EXPECT_TRUE(menu.items[0].is_default);
  ASSERT_TRUE(desktop_.ChooseMenuItem(ID_SHOW));
  EXPECT_TRUE(BecomesVisible(dialog, true));

  // Esc, Enter and the greyed close box leave it open.
  EXPECT_FALSE(desktop_.ClickCloseBox(dialog));
  ASSERT_TRUE(desktop_.PressKey(dialog, VK_ESCAPE));
  ASSERT_TRUE(desktop_.PressKey(dialog, VK_RETURN));
  TestDesktop::WaitUntil([] { return false; }, milliseconds(300));
  EXPECT_TRUE(IsWindow(dialog));
  EXPECT_FALSE(run_.done());

  PostMessageW(dialog, WM_CLOSE, 0, 0);
  EXPECT_EQ(2, run_.Finish());
}

TEST_F(MainDlgTest, IconReturnsWithoutBalloonAfterShellRestart) {
  ServeStalledPackage();
  HWND dialog = StartDialog();
  ASSERT_NE(nullptr, dialog);
  desktop_.RestartNotificationArea();
  port::NotifyIcon icon;
  ASSERT_TRUE(TestDesktop::WaitUntil(
      [&] { return desktop_.FindNotifyIcon(dialog, 201, &icon); }, kDeadline));
  EXPECT_EQ(u"updater", icon.tip);
  EXPECT_EQ(1u, desktop_.Balloons().size());
  ASSERT_TRUE(desktop_.PressIcon(dialog, 201));
  EXPECT_TRUE(BecomesVisible(dialog, true));
  PostMessageW(dialog, WM_CLOSE, 0, 0);
  EXPECT_EQ(2, run_.Finish());
}

TEST_F(MainDlgTest, RefusedIconLogsAndNeverStartsTheWorker) {
  ServePackage(std::string(kEmptyZip, sizeof(kEmptyZip) - 1));
  desktop_.SetRefuseNotifyIcons(true);
  run_.Start();
  EXPECT_EQ(0, run_.Finish());
  EXPECT_EQ(0, server_.RequestCount("/package.zip"));
  EXPECT_EQ(nullptr, g_pUpdateThread);
  EXPECT_TRUE(desktop_.Balloons().empty());
  std::string log = LogText();
  EXPECT_NE(std::string::npos, log.find(":ERROR:main_dlg.cc("));
  EXPECT_NE(std::string::npos, log.find(")] Failed to create tray icon \n\n"));
}

TEST_F(MainDlgTest, BalloonTextThatDoesNotFitIsEmpty) {
  ServeStalledPackage();
  // 33 bytes of fixed text: a 226-byte version just fits the 260 bytes.
  std::string fits = "1";
  while (fits.size() < 226)
    fits += ".0";
  fits.resize(225);
  fits += "1";
  for (const std::string& version : {fits, fits + "0"}) {
    SCOPED_TRACE(version.size());
    TestDesktop desktop;
    Offer(version, kEmptyZipMd5);
    DialogRun run;
    HWND dialog = StartDialog(&run, desktop);
    ASSERT_EQ(1u, desktop.Balloons().size());
    port::Balloon balloon = desktop.Balloons()[0];
    EXPECT_EQ(version.size() == 226, !balloon.text.empty());
    EXPECT_EQ(u"更新提示", balloon.title);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(2, run.Finish());
  }
}

TEST_F(MainDlgTest, ProgressFollowsKnownLengthOnly) {
  ServePackage(std::string(100000, 'p'), 50000);
  HWND dialog = StartDialog();
  EXPECT_TRUE(TestDesktop::WaitUntil(
      [&] { return ProgressPosition(dialog) == 50; }, kDeadline));
  PostMessageW(dialog, WM_CLOSE, 0, 0);
  EXPECT_EQ(2, run_.Finish());

  ServePackage(std::string(100000, 'p'), 50000, false);
  DialogRun unknown;
  TestDesktop desktop;
  dialog = StartDialog(&unknown, desktop);
  TestDesktop::WaitUntil([] { return false; }, milliseconds(500));
  EXPECT_EQ(0, ProgressPosition(dialog));
  PostMessageW(dialog, WM_CLOSE, 0, 0);
  EXPECT_EQ(2, unknown.Finish());
}

TEST_F(MainDlgTest, OutsideCloseDuringTransferFailsWithoutBox) {
  ServeStalledPackage();
  test::HostLog host;
  StartHost(&host);
  HWND dialog = StartDialog();
  ASSERT_TRUE(TestDesktop::WaitUntil(
      [&] { return ProgressPosition(dialog) == 50; }, kDeadline));
  PostMessageW(dialog, WM_CLOSE, 0, 0);
  EXPECT_EQ(2, run_.Finish());
  EXPECT_EQ(std::vector<uint32_t>{1127}, host.MessagesSettled(1));
  EXPECT_TRUE(desktop_.MessageBoxes().empty());
}

// The dialog puts what the installation tells into the user's words: a
// failure is a box, when the notify setting allows one.
TEST_F(MainDlgTest, FailureBoxesFollowTheNotifySetting) {
  test::HttpResponse broken;
  broken.body = std::string(100000, 'p');
  broken.cut_after = 1000;
  broken.drop_at_cut = true;
  const struct {
    const char* what;
    std::function<void()> serve;
    const char16_t* box;
  } kFailures[] = {
      {"digest mismatch", [this] { ServePackage("not the package"); },
       u"文件MD5校验失败，更新操作被终止!"},
      {"broken transfer", [&] { server_.SetResponse("/package.zip", broken); },
       u"更新时发生未知错误"},
  };
  for (const auto& failure : kFailures) {
    failure.serve();
    for (bool notify : {true, false}) {
      SCOPED_TRACE(testing::Message() << failure.what << ", notify " << notify);
      TestDesktop desktop;
      desktop.SetAutomaticAnswer(IDOK);
      g_notify = notify;
      test::HostLog host;
      StartHost(&host);
      DialogRun run;
      run.Start();
      EXPECT_EQ(2, run.Finish());
      EXPECT_EQ(std::vector<uint32_t>{1127}, host.MessagesSettled(1));
      std::vector<TestDesktop::PromptView> boxes = desktop.MessageBoxes();
      ASSERT_EQ(notify ? 1u : 0u, boxes.size());
      if (notify) {
        EXPECT_EQ(u"更新提示", boxes[0].caption);
        EXPECT_EQ(failure.box, boxes[0].text);
      }
    }
  }
}

TEST_F(MainDlgTest, VerifiedBeforeTheWaitAndCloseDoesNotStopTheSequence) {
  ServePackage(std::string(kEmptyZip, sizeof(kEmptyZip) - 1));
  test::HostLog host;
  StartHost(&host, {"--exit-after-ms=4000"});
  HWND dialog = StartDialog();
  ASSERT_TRUE(TestDesktop::WaitUntil(
      [&] { return host.Messages() == std::vector<uint32_t>{1126}; },
      kDeadline));
  EXPECT_FALSE(host.Exited());
  // Closed while the worker waits for the host: the run ends only once
  // the worker has finished the sequence.
  PostMessageW(dialog, WM_CLOSE, 0, 0);
  EXPECT_EQ(2, run_.Finish());
  EXPECT_TRUE(host.Exited());
  EXPECT_EQ(std::vector<uint32_t>{1126}, host.Messages());
}

}  // namespace
