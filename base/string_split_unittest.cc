#include "base/string_split.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(StringSplitTest, SplitOnCharTrimsAndKeepsInnerEmptyPieces) {
  using Pieces = std::vector<std::string>;
  const struct {
    const char* text;
    Pieces pieces;
  } cases[] = {
      {"", {}},
      {" \t ", {}},
      {"1", {"1"}},
      {"1.0.2.5", {"1", "0", "2", "5"}},
      {"1. 0. 2. 5", {"1", "0", "2", "5"}},
      {" 1 .\t0\n", {"1", "0"}},
      {"1.", {"1", ""}},
      {".1", {"", "1"}},
      {".", {"", ""}},
      {"..", {"", "", ""}},
      {"1..2", {"1", "", "2"}},
      {"1. ", {"1", ""}},
      {"1 2.3", {"1 2", "3"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Pieces out = {"stale"};
    SplitOnChar(c.text, '.', &out);
    EXPECT_EQ(c.pieces, out);
  }
}

}  // namespace
}  // namespace base
