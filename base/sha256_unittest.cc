#include "base/sha256.h"

#include <string>

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(Sha256Test, MatchesTheExamplesOfFips180) {
  const struct {
    std::string input;
    const char* digest;
  } kCases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc",
       "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.input.substr(0, 60));
    Sha256 hash;
    hash.Update(c.input.data(), c.input.size());
    EXPECT_EQ(c.digest, hash.Finish());
  }
}

TEST(Sha256Test, PiecesOfAnyLengthGiveTheDigestOfTheWhole) {
  std::string input;
  for (int i = 0; i < 5000; ++i)
    input += static_cast<char>(i * 7);
  Sha256 whole;
  whole.Update(input.data(), input.size());
  Sha256 pieces;
  size_t at = 0;
  for (size_t length = 0; at < input.size(); ++length) {
    size_t piece = std::min(length, input.size() - at);
    pieces.Update(input.data() + at, piece);
    at += piece;
  }
  EXPECT_EQ(whole.Finish(), pieces.Finish());
}

}  // namespace
}  // namespace base
