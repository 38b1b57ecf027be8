#include "app/manifest.h"

#include <gtest/gtest.h>

#include <string>

#include "app/startup_state.h"
#include "app/version_check.h"

namespace {

const char kGoodManifest[] =
    "<update><version>1,0,2,6</version><md5>0123abcd</md5>"
    "<file_url>http://127.0.0.1/p.zip</file_url><compress>zip</compress></update>";

std::string ManifestWith(const std::string& version, const std::string& md5,
                         const std::string& file_url, const std::string& compress) {
  return "<update><version>" + version + "</version><md5>" + md5 +
         "</md5><file_url>" + file_url + "</file_url><compress>" + compress +
         "</compress></update>";
}

bool Parse(std::string body) {
  g_updateInfo = UpdateInfo();
  return ParseManifest(&body);
}

TEST(ManifestTest, AcceptsWellFormedManifestAndStoresDottedVersion) {
  ASSERT_TRUE(Parse(kGoodManifest));
  EXPECT_EQ("1.0.2.6", g_updateInfo.version);
  EXPECT_EQ("0123abcd", g_updateInfo.md5);
  EXPECT_EQ("http://127.0.0.1/p.zip", g_updateInfo.file_url);
  EXPECT_EQ("zip", g_updateInfo.compress);
}

TEST(ManifestTest, AcceptanceRules) {
  struct Case {
    const char* version;
    const char* md5;
    const char* compress;
    bool accepted;
  } cases[] = {
      {"1.0.2.5", "abc", "zip", true},
      {"1, 0, 2, 5", "abc", "zip", true},  // components are trimmed
      {"1.0.2.5b", "abc", "zip", false},
      {"", "abc", "zip", false},
      {"1.0", "abc", "ZIP", true},
      {"1.0", "abc", "zipped", true},
      {"1.0", "abc", "gz", false},
      {"1.0", "abc", "", false},
      {"1.0", "   ", "zip", false},  // blanks only is no value
      {"1.0", " abc ", "zip", true},  // surrounding blanks are kept
      {"1.0", "<![CDATA[abc]]>", "zip", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.version) + " / " + c.md5 + " / " + c.compress);
    EXPECT_EQ(c.accepted, Parse(ManifestWith(c.version, c.md5, "u", c.compress)));
  }
}

TEST(ManifestTest, KeepsBlanksAroundValues) {
  ASSERT_TRUE(Parse(ManifestWith("1.0", " abc ", "u", "zip")));
  EXPECT_EQ(" abc ", g_updateInfo.md5);
}

TEST(ManifestTest, MissingChildrenAreRejected) {
  EXPECT_FALSE(Parse("<update><version>1.0</version><md5>a</md5>"
                     "<file_url>u</file_url></update>"));
  EXPECT_FALSE(Parse("<update><version>1.0</version><md5>a</md5>"
                     "<compress>zip</compress></update>"));
  EXPECT_FALSE(Parse("<update><md5>a</md5><file_url>u</file_url>"
                     "<compress>zip</compress></update>"));
}

TEST(ManifestTest, UpdateMustBeTopLevelAndLowerCase) {
  EXPECT_FALSE(Parse("<Update><version>1.0</version><md5>a</md5>"
                     "<file_url>u</file_url><compress>zip</compress></Update>"));
  EXPECT_FALSE(Parse("<root>" + std::string(kGoodManifest) + "</root>"));
}

TEST(ManifestTest, FirstUpdateAndFirstChildOfEachNameCount) {
  ASSERT_TRUE(Parse("<update><md5>first</md5><md5>second</md5>"
                    "<compress>zip</compress><file_url>u</file_url>"
                    "<version>2</version><other a='1'/></update>"
                    "<update><version>bad</version></update>"));
  EXPECT_EQ("first", g_updateInfo.md5);
  EXPECT_EQ("2", g_updateInfo.version);
}

TEST(ManifestTest, AcceptsBomDeclarationAndComments) {
  std::string body = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                     "<!-- offered by the build server -->\n"
                     "<!DOCTYPE update>\n" +
                     std::string(kGoodManifest) + "\n<!-- end -->\n";
  EXPECT_TRUE(Parse(body));
}

TEST(ManifestTest, DecodesEntitiesInValues) {
  ASSERT_TRUE(Parse(ManifestWith("1.0", "&#x41;&#66;", "http://h/p?a=1&amp;b=2", "zip")));
  EXPECT_EQ("http://h/p?a=1&b=2", g_updateInfo.file_url);
  EXPECT_EQ("AB", g_updateInfo.md5);
}

TEST(ManifestTest, ValueIsFirstNonBlankTextRunOnly) {
  ASSERT_TRUE(Parse("<update><version>1.0</version>"
                    "<md5>  <!-- c --> <b>nested</b>abc<i/>def</md5>"
                    "<file_url>u</file_url><compress>zip</compress></update>"));
  EXPECT_EQ("abc", g_updateInfo.md5);
}

TEST(ManifestTest, RejectsBodiesTheParserRefuses) {
  const char* bodies[] = {
      "",
      "not xml at all",
      "<html><body><h1>404 Not Found</h1></body></html>",
      // Complete but unclosed, text before markup, a malformed reference.
      "<update><version>1</version><md5>a</md5><file_url>u</file_url>"
      "<compress>zip</compress>",
      "text <update><version>1</version><md5>a</md5><file_url>u</file_url>"
      "<compress>zip</compress></update>",
      "<update><version>1</version><md5>&#xZZ;</md5><file_url>u</file_url>"
      "<compress>zip</compress></update>",
      "<update",
  };
  for (const char* body : bodies) {
    SCOPED_TRACE(body);
    EXPECT_FALSE(Parse(body));
  }
}

TEST(ManifestTest, DeepNestingIsRejectedWithoutExhaustingTheStack) {
  std::string body;
  for (int i = 0; i < 200000; ++i)
    body += "<a>";
  EXPECT_FALSE(Parse(body));
  std::string deep_but_valid = "<update>";
  for (int i = 0; i < 100; ++i)
    deep_but_valid += "<x>";
  for (int i = 0; i < 100; ++i)
    deep_but_valid += "</x>";
  deep_but_valid += "<version>1</version><md5>a</md5><file_url>u</file_url>"
                    "<compress>zip</compress></update>";
  EXPECT_TRUE(Parse(deep_but_valid));
}

TEST(VersionCheckTest, NewerOnlyWhenInstalledComparesBelowOffered) {
  struct Case {
    const char* offered;
    const char* installed;
    bool newer;
  } cases[] = {
      {"1.0.2.6", "1.0.2.5", true},  {"1.0.2.5", "1.0.2.5", false},
      {"1.2", "1.2.0.0", false},     {"1.2.0.1", "1.2", true},
      {"1.10", "1.9", true},         {"2", "1.99.99.99", true},
      {"0.0.1", "", true},           {"0.0.1", "1.0 beta", true},
      {"0.0", "1.0 beta", false},    {"1.0.2.5", "1. 0. 2. 5", false},
      {"1.0", "2.0", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.offered) + " vs installed " + c.installed);
    EXPECT_EQ(c.newer, IsNewerVersion(c.offered, c.installed));
  }
}

}  // namespace
