#include "app/parse_command_line.h"

#include <gtest/gtest.h>

#include "app/startup_state.h"

namespace {

const char16_t kProgram[] = u"\"C:\\Program Files\\Mirovue\\updater.exe\" ";

void Parse(const std::u16string& switches) {
  g_hostWindow = 0;
  g_hostProcessId = 0;
  g_notify = true;
  ParseCommandLineText(kProgram + switches);
}

TEST(ParseCommandLineTest, ProgramAloneLeavesEveryDefault) {
  ParseCommandLineText(u"updater.exe");
  EXPECT_EQ(kDefaultManifestUrl, g_manifestUrl);
  EXPECT_EQ(u"Mirovue.exe", g_hostExeName);
  EXPECT_EQ(u"-launch", g_launchArgs);
  EXPECT_EQ(0u, g_hostWindow);
  EXPECT_EQ(0u, g_hostProcessId);
  EXPECT_TRUE(g_notify);
}

TEST(ParseCommandLineTest, UrlSwitchInAnyPrefixAndCase) {
  for (const char16_t* line :
       {u"--URL=http://a/x.xml", u"-url=http://a/x.xml", u"/url=http://a/x.xml",
        u"--Url=http://a/x.xml"}) {
    Parse(line);
    EXPECT_EQ("http://a/x.xml", g_manifestUrl);
  }
}

TEST(ParseCommandLineTest, UrlWithoutValueKeepsDefault) {
  for (const char16_t* line : {u"--url", u"--url="}) {
    Parse(line);
    EXPECT_EQ(kDefaultManifestUrl, g_manifestUrl);
  }
}

TEST(ParseCommandLineTest, UrlKeepsItsOwnEqualsSigns) {
  Parse(u"--url=http://a/u.xml?channel=beta&x=1");
  EXPECT_EQ("http://a/u.xml?channel=beta&x=1", g_manifestUrl);
}

TEST(ParseCommandLineTest, HostWindowDegradesAsNumbersDo) {
  struct Case {
    const char16_t* line;
    uint32_t window;
  } cases[] = {
      {u"--hwnd=4242", 4242u},     {u"--hwnd=0x1A2B", 0u},
      {u"--hwnd=123abc", 123u},    {u"--hwnd=4294967296", 4294967295u},
      {u"--hwnd=-2", 4294967294u}, {u"\"--hwnd= 77\"", 77u},
      {u"--hwnd=1 --hwnd=2", 2u},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.window);
    Parse(c.line);
    EXPECT_EQ(c.window, g_hostWindow);
  }
}

TEST(ParseCommandLineTest, ProcessIdIsStored) {
  Parse(u"--pid=1234");
  EXPECT_EQ(1234u, g_hostProcessId);
}

TEST(ParseCommandLineTest, AutoCountsByPresenceBeforeTerminator) {
  Parse(u"--auto=0");
  EXPECT_EQ(u"-launch -auto", g_launchArgs);
  Parse(u"/AUTO");
  EXPECT_EQ(u"-launch -auto", g_launchArgs);
  Parse(u"-- --auto");
  EXPECT_EQ(u"-launch", g_launchArgs);
}

TEST(ParseCommandLineTest, NotifyZeroOrNonNumericSuppressesBoxes) {
  struct Case {
    const char16_t* line;
    bool notify;
  } cases[] = {
      {u"--notify=0", false}, {u"--notify=false", false}, {u"--notify=2", true},
      {u"--notify=1", true},  {u"--notify=", true},       {u"", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case expecting " << c.notify);
    Parse(c.line);
    EXPECT_EQ(c.notify, g_notify);
  }
}

}  // namespace
