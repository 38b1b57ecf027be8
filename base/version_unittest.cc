#include "base/version.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(VersionTest, ParsesDottedComponents) {
  const struct {
    const char* text;
    std::vector<uint16_t> components;
  } cases[] = {
      {"1.0.2.5", {1, 0, 2, 5}},
      {"1. 0. 2. 5", {1, 0, 2, 5}},
      {" 1 , 0", {}},
      {"2", {2}},
      {"0", {0}},
      {"65535", {65535}},
      {"1.65535.0", {1, 65535, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Version v(c.text);
    EXPECT_EQ(!c.components.empty(), v.IsValid());
    EXPECT_EQ(c.components, v.components());
  }
}

TEST(VersionTest, RejectsMalformedTexts) {
  const char* const texts[] = {
      "",      " ",    "01.2",    "00",       "+1.2",        "-0",    "-1",
      "1..2",  "1.2.", ".1",      "1.0 beta", "1.0.2.5b",    "65536", "1.65536",
      "1.2 3", "a",    "1,0,2,5", "0x10",     "99999999999",
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    Version v(text);
    EXPECT_FALSE(v.IsValid());
    EXPECT_TRUE(v.components().empty());
  }
}

TEST(VersionTest, DefaultVersionIsInvalid) {
  EXPECT_FALSE(Version().IsValid());
}

TEST(VersionTest, CompareIsNumericPerComponent) {
  const struct {
    const char* a;
    const char* b;
    int expected;
  } cases[] = {
      {"1.0.2.6", "1.0.2.5", 1}, {"1.0.2.5", "1.0.2.5", 0},
      {"1.10", "1.9", 1},        {"2", "1.99.99.99", 1},
      {"0.9", "1", -1},          {"65535", "65534.65535", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
    Version a(c.a);
    Version b(c.b);
    ASSERT_TRUE(a.IsValid());
    ASSERT_TRUE(b.IsValid());
    EXPECT_EQ(c.expected, a.Compare(b));
    EXPECT_EQ(-c.expected, b.Compare(a));
  }
}

TEST(VersionTest, MissingTrailingComponentsCountAsZero) {
  EXPECT_EQ(0, Version("1.2").Compare(Version("1.2.0.0")));
  EXPECT_EQ(0, Version("1.2.0.0").Compare(Version("1.2")));
  EXPECT_EQ(1, Version("1.2.0.1").Compare(Version("1.2")));
  EXPECT_EQ(-1, Version("1.2").Compare(Version("1.2.0.1")));
}

TEST(VersionTest, InvalidVersionComparesLikeAllZeros) {
  Version invalid("1.0 beta");
  ASSERT_FALSE(invalid.IsValid());
  EXPECT_EQ(0, invalid.Compare(Version("0.0")));
  EXPECT_EQ(0, invalid.Compare(Version()));
  EXPECT_EQ(-1, invalid.Compare(Version("0.0.1")));
  EXPECT_EQ(1, Version("0.0.1").Compare(invalid));
}

TEST(VersionTest, IsOlderNeedsAValidOther) {
  Version installed("1.0.2.5");
  EXPECT_TRUE(installed.IsOlder("1.0.2.6"));
  EXPECT_FALSE(installed.IsOlder("1.0.2.5"));
  EXPECT_FALSE(installed.IsOlder("1.0.2.4"));
  EXPECT_FALSE(installed.IsOlder("9.x"));
  EXPECT_FALSE(installed.IsOlder(""));
  Version invalid("1.0 beta");
  EXPECT_TRUE(invalid.IsOlder("0.0.1"));
  EXPECT_FALSE(invalid.IsOlder("0.0"));
}

}  // namespace
}  // namespace base
