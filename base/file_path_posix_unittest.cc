#include "base/file_path.h"

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(FilePathTest, JoinsWithSlashes) {
  EXPECT_EQ(u'/', FilePath::kPreferredSeparator);
  EXPECT_EQ(FilePath(u"dir/file"), FilePath(u"dir").Append(u"file"));
}

TEST(FilePathTest, SystemPathIsUTF8WithForwardSlashes) {
  FilePath path(u"dir\\sub/\u66F4\u65B0.txt");
  EXPECT_EQ("dir/sub/\xE6\x9B\xB4\xE6\x96\xB0.txt", path.AsSystemPath());
  EXPECT_EQ(FilePath(u"/tmp/\u66F4"),
            FilePath::FromSystemPath("/tmp/\xE6\x9B\xB4"));
}

}  // namespace
}  // namespace base
