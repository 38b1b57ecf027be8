#include "base/md5.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "gtest/gtest.h"

namespace base {
namespace {

std::string DigestOf(const std::string& text) {
  MD5Context context;
  MD5Init(&context);
  MD5Update(&context, text.data(), text.size());
  MD5Digest digest;
  MD5Final(&digest, &context);
  return MD5DigestToBase16(digest);
}

TEST(MD5Test, MatchesTheTestSuiteOfRfc1321) {
  const struct {
    const char* input;
    const char* digest;
  } kCases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"1234567890123456789012345678901234567890"
       "1234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(c.digest, DigestOf(c.input));
  }
}

TEST(MD5Test, PiecesGiveTheSameDigestAsTheWhole) {
  std::string text;
  for (int i = 0; i < 1000; ++i)
    text.push_back(static_cast<char>(i * 31 % 256));
  const std::string whole = DigestOf(text);
  for (size_t piece : {1, 3, 55, 56, 63, 64, 65, 127, 999}) {
    SCOPED_TRACE(piece);
    MD5Context context;
    MD5Init(&context);
    for (size_t at = 0; at < text.size(); at += piece)
      MD5Update(&context, text.data() + at, std::min(piece, text.size() - at));
    MD5Digest digest;
    MD5Final(&digest, &context);
    EXPECT_EQ(whole, MD5DigestToBase16(digest));
  }
}

TEST(MD5Test, PaddingBoundariesAroundOneBlock) {
  // Lengths where the closing bit count just fits or spills into a block
  // of its own; the digests are those of md5sum.
  EXPECT_EQ("04364420e25c512fd958a70738aa8f72", DigestOf(std::string(55, 'x')));
  EXPECT_EQ("668a72d5ba17f08e62dabcafad6db14b", DigestOf(std::string(56, 'x')));
  EXPECT_EQ("c1bb4f81d892b2d57947682aeb252456", DigestOf(std::string(64, 'x')));
}

TEST(MD5Test, FinalWipesTheContext) {
  MD5Context context;
  MD5Init(&context);
  MD5Update(&context, "abc", 3);
  MD5Digest digest;
  MD5Final(&digest, &context);
  const MD5Context zero = {};
  EXPECT_EQ(0, memcmp(&zero, &context, sizeof(context)));
}

TEST(MD5Test, DigestsCompareIgnoringCaseButNothingElse) {
  const std::string digest = "900150983cd24fb0d6963f7d28e17f72";
  EXPECT_TRUE(MD5DigestMatches(digest, digest));
  EXPECT_TRUE(MD5DigestMatches(digest, "900150983CD24FB0D6963F7D28E17F72"));
  EXPECT_FALSE(MD5DigestMatches(digest, " 900150983cd24fb0d6963f7d28e17f72"));
  EXPECT_FALSE(MD5DigestMatches(digest, "900150983cd24fb0d6963f7d28e17f72\n"));
  EXPECT_FALSE(MD5DigestMatches(digest, "900150983cd24fb0d6963f7d28e17f7"));
  EXPECT_FALSE(MD5DigestMatches(digest, ""));
  EXPECT_TRUE(MD5DigestMatches(
      digest, std::string("900150983cd24fb0d6963f7d28e17f72\0tail", 37)));
}

}  // namespace
}  // namespace base
