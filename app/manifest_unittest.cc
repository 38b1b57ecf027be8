#include "app/manifest.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <string>

#include "app/startup_state.h"
#include "app/version_check.h"

namespace {

const char kGoodManifest[] =
    "<update><version>1,0,2,6</version><md5>0123abcd</md5>"
    "<file_url>http://127.0.0.1/p.zip</file_url><compress>zip</compress></"
    "update>";

std::string ManifestWith(const std::string& version,
                         const std::string& md5,
                         const std::string& file_url,
                         const std::string& compress) {
  return "<update><version>" + version + "</version><md5>" + md5 +
         "</md5><file_url>" + file_url + "</file_url><compress>" + compress +
         "</compress></update>";
}

bool Parse(std::string body) {
  g_updateInfo = UpdateInfo();
  std::string reason;
  return ParseManifest(&body, {}, &reason);
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
      {"1.0", "   ", "zip", false},   // blanks only is no value
      {"1.0", " abc ", "zip", true},  // surrounding blanks are kept
      {"1.0", "<![CDATA[abc]]>", "zip", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.version) + " / " + c.md5 + " / " + c.compress);
    EXPECT_EQ(c.accepted,
              Parse(ManifestWith(c.version, c.md5, "u", c.compress)));
  }
}

TEST(ManifestTest, StoresTheOptionalChildrenAsWritten) {
  const std::string sha256(64, 'A');
  ASSERT_TRUE(
      Parse("<update><product>Mirovue</product><version>2</version><md5>a</md5>"
            "<file_url>u</file_url><compress>zip</compress><sha256>" +
            sha256 +
            "</sha256><size>0012</size><expires>2001-02-03T04:05:06Z</"
            "expires></update>"));
  EXPECT_EQ(sha256, g_updateInfo.sha256);
  EXPECT_EQ("0012", g_updateInfo.size);
  EXPECT_EQ("Mirovue", g_updateInfo.product);
  EXPECT_EQ("2001-02-03T04:05:06Z", g_updateInfo.expires);
  EXPECT_FALSE(g_updateInfo.signed_by_trusted_key);
}

// An unsigned build holds sha256 and size to their form where they are
// given, and ignores product and expiry.
TEST(ManifestTest, UnsignedAcceptanceOfTheOptionalChildren) {
  const std::string sha256 =
      "0123456789abcdefABCDEF0123456789abcdef0123456789abcdef0123456789";
  struct Case {
    const char* what;
    std::string sha256;
    std::string size;
    bool accepted;
  } cases[] = {
      {"neither", "", "", true},
      {"both", sha256, "18446744073709551615", true},
      {"short digest", sha256.substr(1), "1", false},
      {"long digest", sha256 + "0", "1", false},
      {"not hexadecimal", "g" + sha256.substr(1), "1", false},
      {"blank in the digest", " " + sha256.substr(1), "1", false},
      {"size past 64 bits", sha256, "18446744073709551616", false},
      {"signed size", sha256, "+1", false},
      {"blank in the size", sha256, "1 ", false},
      {"size with a unit", sha256, "1kB", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    UpdateInfo info = {"2.0",    "a",    "u",     "zip",
                       c.sha256, c.size, "Other", "yesterday"};
    std::string reason;
    EXPECT_EQ(c.accepted, AcceptManifest(info, false, 0, &reason)) << reason;
  }
}

TEST(ManifestTest, SignedAcceptanceNeedsDigestSizeProductAndAFutureExpiry) {
  const std::string sha256(64, 'f');
  int64_t now = 1700000000;  // 2023-11-14T22:13:20Z
  struct Case {
    const char* what;
    UpdateInfo info;
    const char* reason;  // empty: accepted
  } cases[] = {
      {"complete",
       {"2", "a", "u", "zip", sha256, "9", "Mirovue", "2023-11-14T22:13:21Z"},
       ""},
      {"without expiry",
       {"2", "a", "u", "zip", sha256, "9", "Mirovue", ""},
       ""},
      {"no sha256",
       {"2", "a", "u", "zip", "", "9", "Mirovue", ""},
       "manifest has no sha256"},
      {"no size",
       {"2", "a", "u", "zip", sha256, "", "Mirovue", ""},
       "manifest has no size"},
      {"no product",
       {"2", "a", "u", "zip", sha256, "9", "", ""},
       "manifest is not for Mirovue"},
      {"another product",
       {"2", "a", "u", "zip", sha256, "9", "mirovue", ""},
       "manifest is not for Mirovue"},
      {"expired now",
       {"2", "a", "u", "zip", sha256, "9", "Mirovue", "2023-11-14T22:13:20Z"},
       "manifest expired"},
      {"malformed expiry",
       {"2", "a", "u", "zip", sha256, "9", "Mirovue", "2030-01-01"},
       "manifest expiry is malformed"},
      {"malformed digest",
       {"2", "a", "u", "zip", "f", "9", "Mirovue", ""},
       "manifest sha256 is malformed"},
      {"no md5",
       {"2", "", "u", "zip", sha256, "9", "Mirovue", ""},
       "manifest lacks a valid version, md5, file_url or compress"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string reason;
    EXPECT_EQ(c.reason[0] == '\0', AcceptManifest(c.info, true, now, &reason));
    EXPECT_EQ(c.reason, reason);
  }
}

TEST(ManifestTest, SizesAreDecimalDigitsWithin64Bits) {
  uint64_t size = 0;
  ASSERT_TRUE(ParseManifestSize("007", &size));
  EXPECT_EQ(7u, size);
  ASSERT_TRUE(ParseManifestSize("18446744073709551615", &size));
  EXPECT_EQ(UINT64_MAX, size);
  for (const char* text : {"", "-1", "1.0", "0x10", "99999999999999999999"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(ParseManifestSize(text, &size));
  }
}

TEST(ManifestTest, KeepsBlanksAroundValues) {
  ASSERT_TRUE(Parse(ManifestWith("1.0", " abc ", "u", "zip")));
  EXPECT_EQ(" abc ", g_updateInfo.md5);
}

TEST(ManifestTest, MissingChildrenAreRejected) {
  EXPECT_FALSE(
      Parse("<update><version>1.0</version><md5>a</md5>"
            "<file_url>u</file_url></update>"));
  EXPECT_FALSE(
      Parse("<update><version>1.0</version><md5>a</md5>"
            "<compress>zip</compress></update>"));
  EXPECT_FALSE(
      Parse("<update><md5>a</md5><file_url>u</file_url>"
            "<compress>zip</compress></update>"));
}

TEST(ManifestTest, UpdateMustBeTopLevelAndLowerCase) {
  EXPECT_FALSE(
      Parse("<Update><version>1.0</version><md5>a</md5>"
            "<file_url>u</file_url><compress>zip</compress></Update>"));
  EXPECT_FALSE(Parse("<root>" + std::string(kGoodManifest) + "</root>"));
}

TEST(ManifestTest, FirstUpdateAndFirstChildOfEachNameCount) {
  ASSERT_TRUE(
      Parse("<update><md5>first</md5><md5>second</md5>"
            "<compress>zip</compress><file_url>u</file_url>"
            "<version>2</version><other a='1'/></update>"
            "<update><version>bad</version></update>"));
  EXPECT_EQ("first", g_updateInfo.md5);
  EXPECT_EQ("2", g_updateInfo.version);
}

TEST(ManifestTest, AcceptsBomDeclarationAndComments) {
  std::string body =
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
      "<!-- offered by the build server -->\n"
      "<!DOCTYPE update>\n" +
      std::string(kGoodManifest) + "\n<!-- end -->\n";
  EXPECT_TRUE(Parse(body));
}

TEST(ManifestTest, DecodesEntitiesInValues) {
  ASSERT_TRUE(Parse(
      ManifestWith("1.0", "&#x41;&#66;", "http://h/p?a=1&amp;b=2", "zip")));
  EXPECT_EQ("http://h/p?a=1&b=2", g_updateInfo.file_url);
  EXPECT_EQ("AB", g_updateInfo.md5);
}

TEST(ManifestTest, ValueIsFirstNonBlankTextRunOnly) {
  ASSERT_TRUE(
      Parse("<update><version>1.0</version>"
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

std::string Repeat(const std::string& piece, size_t count) {
  std::string out;
  out.reserve(piece.size() * count);
  for (size_t i = 0; i < count; ++i)
    out += piece;
  return out;
}

// |levels| elements, each inside the one before.
std::string Nested(size_t levels) {
  return Repeat("<a>", levels) + Repeat("</a>", levels);
}

// A good manifest whose "update" holds an ignored child |levels| deep, so
// that the whole document nests |levels| + 1 deep.
std::string ManifestNested(size_t levels) {
  return "<update>" + Nested(levels) +
         "<version>1</version><md5>a</md5><file_url>u</file_url>"
         "<compress>zip</compress></update>";
}

TEST(ManifestNestingTest, CountsElementLevelsAsTheParserEntersThem) {
  struct Case {
    const char* name;
    std::string body;
    int depth;
  } cases[] = {
      {"empty", "", 0},
      {"blanks", " \r\n\t", 0},
      {"self-closing", "<a/>", 1},
      {"empty element", "<a></a>", 1},
      {"leaf child counts", "<a><b/></a>", 2},
      {"three levels", "<a><b><c/></b></a>", 3},
      {"siblings", "<a><b/><b></b><b>x</b></a><c/>", 2},
      {"text around children", "<a>x<b>y</b>z &lt; &#60; &#x3c;</a>", 2},
      {"byte-order mark", "\xEF\xBB\xBF<a/>", 1},
      {"declaration", "<?xml version='1.0' x='<a>'?><a/>", 1},
      {"closing name not compared", "<a><b></x></y>", 2},
      {"'<' in a name", "<a<b<c>x</a>", 1},
      {"blanks before the end of a tag", "<a x = '1' ></a \n>", 1},
      {"zero byte ends the body", std::string("<a/>\0<b>", 8), 1},
      {"deepest kept after closing", "<a><b><c/></b></a><a/>", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.depth, ManifestNestingDepth(c.body.c_str()));
  }
}

TEST(ManifestNestingTest, MarkupInsideTextNeitherOpensNorCloses) {
  const std::string noise = "< </ /> <a> </a> <b/> <![CDATA[ <!-- <? ]";
  struct Case {
    const char* name;
    std::string body;
    int depth;
  } cases[] = {
      {"comment", "<!-- </ </ </ <a><b><c> /> -->", 0},
      {"comment with markup before two levels",
       "<!--" + noise + "--><a><b/></a>", 2},
      {"comment inside an element", "<a><!-- </a></a> <b><c> --><b/></a>", 2},
      {"comment ends at the first -->", "<!-- <a> --><a/><!-- </a> -->", 1},
      {"CDATA",
       "<a><![CDATA[</a></a><b><c><d>"
       "]]><b/></a>",
       2},
      {"CDATA with brackets", "<a><![CDATA[ ]] ]> <b> ]]></a>", 1},
      {"processing instruction", "<?pi <a><b></x></y> ? > /> ?><a/>", 1},
      {"processing instruction inside an element", "<a><?pi </a> ?><b/></a>",
       2},
      {"declaration-like instruction", "<?xml?<a>?><a/>", 1},
      {"document type", "<!DOCTYPE a><a/>", 1},
      {"document type subset",
       "<!DOCTYPE a [<!ELEMENT a (#PCDATA)><!ENTITY x '>'>]><a/>", 1},
      {"nested brackets in the subset", "<!DOCTYPE a [ [ <a> ] </a> ]><a/>", 1},
      {"markup in the subset", "<!DOCTYPE a [" + noise + "]]><a><b/></a>", 2},
      {"other <! construct", "<!x </a <b <c> <a/>", 1},
      {"other <! construct ends at '>'", "<!x <a><b/>", 1},
      {"single-quoted attribute", "<a x='</a></a> /> <b><c>'><b/></a>", 2},
      {"double-quoted attribute", "<a x=\"/>/>/>\" y='\"' z=\"'\"><b/></a>", 2},
      {"attribute of a self-closing element", "<a x='<b><c>'/>", 1},
      {"references in an attribute", "<a x='&apos;&#39;&#x27;'><b/></a>", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.depth, ManifestNestingDepth(c.body.c_str()));
  }
}

TEST(ManifestNestingTest, BodiesTheParserRefusesAreRefused) {
  struct Case {
    const char* name;
    std::string body;
  } cases[] = {
      {"text before markup", "text<a/>"},
      {"text after the last element", "<a/>text"},
      {"unclosed element", "<a>"},
      {"unterminated closing tag", "<a></a"},
      {"closing tag at the top", "</a>"},
      {"blank after '<'", "< a/>"},
      {"empty tag", "<>"},
      {"'/' not followed by '>'", "<a/ >"},
      {"unterminated comment", "<!-- <a/>"},
      {"comment closed by --!>", "<!-- --!><a/>"},
      {"unterminated CDATA", "<a><![CDATA[x]]</a>"},
      {"unterminated instruction", "<?pi <a/>"},
      {"instruction '<?>'", "<?><a/>"},
      {"unterminated document type", "<!DOCTYPE a [ ]"},
      {"unbalanced subset", "<!DOCTYPE a [ [ ]><a/>"},
      {"unterminated <! construct", "<!x"},
      {"unquoted attribute", "<a x=1/>"},
      {"attribute without value", "<a x/>"},
      {"unterminated attribute", "<a x='1/>"},
      {"mismatched quotes", "<a x='1\"/>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(-1, ManifestNestingDepth(c.body.c_str()));
    EXPECT_FALSE(Parse(c.body));
  }
}

TEST(ManifestNestingTest, StopsOneLevelPastTheLimit) {
  struct Case {
    const char* name;
    std::string body;
    int depth;
  } cases[] = {
      {"at the limit", Nested(kMaxManifestNesting), kMaxManifestNesting},
      {"one more", Nested(kMaxManifestNesting + 1), kMaxManifestNesting + 1},
      {"leaf one past the limit",
       Repeat("<a>", kMaxManifestNesting) + "<b/>" +
           Repeat("</a>", kMaxManifestNesting),
       kMaxManifestNesting + 1},
      {"unclosed and deep", Repeat("<a>", 1000000), kMaxManifestNesting + 1},
      {"deep before malformed", Repeat("<a>", 1000) + "<",
       kMaxManifestNesting + 1},
      {"comment full of </ before deep nesting",
       "<!--" + Repeat("</", 300000) + "-->" + Repeat("<a>", 300200),
       kMaxManifestNesting + 1},
      {"attribute full of /> before deep nesting",
       "<x a=\"" + Repeat("/>", 300000) + "\">" + Repeat("<a>", 300200),
       kMaxManifestNesting + 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.depth, ManifestNestingDepth(c.body.c_str()));
  }
}

TEST(ManifestTest, NestingLimitDecidesWhetherTheManifestIsParsed) {
  struct Case {
    const char* name;
    std::string body;
    bool accepted;
  } cases[] = {
      {"at the limit", ManifestNested(kMaxManifestNesting - 1), true},
      {"one more", ManifestNested(kMaxManifestNesting), false},
      {"flat but long",
       "<update>" + Repeat("<a/>", 100000) +
           "<version>1</version><md5>a</md5><file_url>u</file_url>"
           "<compress>zip</compress></update>",
       true},
      {"comment full of </ before deep nesting",
       "<!--" + Repeat("</", 300000) + "-->" + Repeat("<a>", 300200), false},
      {"attribute full of /> before deep nesting",
       "<x a=\"" + Repeat("/>", 300000) + "\">" + Repeat("<a>", 300200), false},
      {"deep nesting alone", Repeat("<a>", 300200), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.accepted, Parse(c.body));
  }
}

TEST(ManifestTest, AcceptedWhateverCommentsAndIgnoredElementsHold) {
  const std::string opens = Repeat("<", 300);
  const std::string closes = Repeat("</", 300) + Repeat("/>", 300);
  const std::string children =
      "<version>1</version><md5>a</md5><file_url>u</file_url><compress>zip</"
      "compress>";
  struct Case {
    const char* name;
    std::string body;
  } cases[] = {
      {"'<' in a comment",
       "<!-- " + opens + " --><update>" + children + "</update>"},
      {"'</' and '/>' in a comment",
       "<!--" + closes + "--><update>" + children + "</update>"},
      {"'<' in CDATA of an ignored element", "<update><notes><![CDATA[" +
                                                 opens + "]]></notes>" +
                                                 children + "</update>"},
      {"'<' in an instruction",
       "<?note " + opens + "?><update>" + children + "</update>"},
      {"'<' in an attribute",
       "<update a='" + opens + "'>" + children + "</update>"},
      {"'</' in an attribute of a child",
       "<update><x a=\"" + closes + "\"/>" + children + "</update>"},
      {"'<' in the document type", "<!DOCTYPE update [<!ENTITY x '" + opens +
                                       "'>]><update>" + children + "</update>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(Parse(c.body));
  }
}

// The deepest manifest accepted parses within a fixed stack: a quarter of
// the megabyte a Windows main thread has, where the updater parses.
TEST(ManifestTest, DeepestAcceptedManifestParsesWithinAFixedStack) {
  constexpr size_t kStackBytes = 256 << 10;
  struct Job {
    std::string body;
    bool accepted = false;
  } job;
  job.body = ManifestNested(kMaxManifestNesting - 1);
  ASSERT_EQ(kMaxManifestNesting, ManifestNestingDepth(job.body.c_str()));
  pthread_attr_t attributes;
  ASSERT_EQ(0, pthread_attr_init(&attributes));
  ASSERT_EQ(0, pthread_attr_setstacksize(&attributes, kStackBytes));
  pthread_t thread;
  auto run = [](void* data) -> void* {
    Job* job = static_cast<Job*>(data);
    job->accepted = Parse(job->body);
    return nullptr;
  };
  ASSERT_EQ(0, pthread_create(&thread, &attributes, run, &job));
  pthread_attr_destroy(&attributes);
  ASSERT_EQ(0, pthread_join(thread, nullptr));
  EXPECT_TRUE(job.accepted);
}

TEST(VersionCheckTest, NewerOnlyWhenInstalledComparesBelowOffered) {
  struct Case {
    const char* offered;
    const char* installed;
    bool newer;
  } cases[] = {
      {"1.0.2.6", "1.0.2.5", true}, {"1.0.2.5", "1.0.2.5", false},
      {"1.2", "1.2.0.0", false},    {"1.2.0.1", "1.2", true},
      {"1.10", "1.9", true},        {"2", "1.99.99.99", true},
      {"0.0.1", "", true},          {"0.0.1", "1.0 beta", true},
      {"0.0", "1.0 beta", false},   {"1.0.2.5", "1. 0. 2. 5", false},
      {"1.0", "2.0", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.offered) + " vs installed " + c.installed);
    EXPECT_EQ(c.newer, IsNewerVersion(c.offered, c.installed));
  }
}

}  // namespace
