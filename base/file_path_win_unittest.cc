#include "base/file_path.h"

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(FilePathWinTest, JoinsWithBackslashes) {
  EXPECT_EQ(u'\\', FilePath::kPreferredSeparator);
  EXPECT_EQ(FilePath(u"C:\\dir\\file"), FilePath(u"C:\\dir").Append(u"file"));
}

TEST(FilePathWinTest, SystemPathIsUTF16WithBackslashes) {
  FilePath path(u"C:/dir\\sub/\u66F4\u65B0.txt");
  EXPECT_EQ(L"C:\\dir\\sub\\\u66F4\u65B0.txt", path.AsSystemPath());
  // What the system hands out is kept as it is.
  EXPECT_EQ(FilePath(u"C:/tmp\\\u66F4"),
            FilePath::FromSystemPath(L"C:/tmp\\\u66F4"));
}

}  // namespace
}  // namespace base
