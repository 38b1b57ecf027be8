#include "base/file_path.h"

#include <string>

#include <gtest/gtest.h>

#include "base/utf_string_conversions.h"

namespace base {
namespace {

using String = FilePath::StringType;

// What joining |a| and |b| writes: one preferred separator between them.
String Joined(const String& a, const String& b) {
  return a + FilePath::kPreferredSeparator + b;
}

struct PathCase {
  String input;
  String expected;
};

TEST(FilePathTest, StripTrailingSeparatorsKeepsRoots) {
  const PathCase cases[] = {
      {u"C:\\dir\\\\", u"C:\\dir"},
      {u"C:\\dir\\", u"C:\\dir"},
      {u"C:\\", u"C:\\"},
      {u"C:/", u"C:/"},
      {u"C:", u"C:"},
      {u"C:\\\\\\", u"C:\\"},
      {u"\\", u"\\"},
      {u"/", u"/"},
      {u"\\\\", u"\\\\"},
      {u"//", u"//"},
      {u"\\\\\\", u"\\"},
      {u"////", u"/"},
      {u"a\\", u"a"},
      {u"a//\\", u"a"},
      {u"/a/b/", u"/a/b"},
      {u"", u""},
      {u"a", u"a"},
      {u"1:\\", u"1:"},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(UTF16ToUTF8(c.input));
    EXPECT_EQ(c.expected, FilePath(c.input).StripTrailingSeparators().value());
  }
}

TEST(FilePathTest, AppendJoinsWithOneSeparator) {
  const struct {
    String path;
    String component;
    String expected;
  } cases[] = {
      {u".", u"a", u"a"},
      {u".", u"", u""},
      {u"C:", u"a", u"C:a"},
      {u"C:\\", u"a", u"C:\\a"},
      {u"C:\\x\\", u"a", Joined(u"C:\\x", u"a")},
      {u"C:\\x", u"a", Joined(u"C:\\x", u"a")},
      {u"C:\\x\\\\", u"", u"C:\\x"},
      {u"C:\\x", u"", u"C:\\x"},
      {u"", u"a", u"a"},
      {u"", u"", u""},
      {u"/", u"a", u"/a"},
      {u"\\\\", u"server", u"\\\\server"},
      {u"/opt/mirovue/", u"Mirovue.exe",
       Joined(u"/opt/mirovue", u"Mirovue.exe")},
      {u"C:/x/", u"a/b", Joined(u"C:/x", u"a/b")},
      {u"./", u"a", Joined(u".", u"a")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(UTF16ToUTF8(c.path) + " + " + UTF16ToUTF8(c.component));
    EXPECT_EQ(c.expected, FilePath(c.path).Append(c.component).value());
    EXPECT_EQ(c.expected,
              FilePath(c.path).Append(FilePath(c.component)).value());
  }
}

TEST(FilePathTest, AppendASCIIWidensTheComponent) {
  FilePath path = FilePath(u"C:\\Users\\u\\AppData\\Roaming")
                      .AppendASCII("Microsoft")
                      .AppendASCII("Internet Explorer")
                      .AppendASCII("Quick Launch");
  EXPECT_EQ(
      Joined(Joined(Joined(u"C:\\Users\\u\\AppData\\Roaming", u"Microsoft"),
                    u"Internet Explorer"),
             u"Quick Launch"),
      path.value());
}

TEST(FilePathTest, DirNameFindsTheParent) {
  const PathCase cases[] = {
      {u"C:\\a\\b.exe", u"C:\\a"},
      {u"C:\\a", u"C:\\"},
      {u"C:\\a\\", u"C:\\"},
      {u"C:\\", u"C:\\"},
      {u"C:", u"C:"},
      {u"C:a", u"C:"},
      {u"b.exe", u"."},
      {u"", u"."},
      {u".", u"."},
      {u"/a/b.exe", u"/a"},
      {u"/a", u"/"},
      {u"/", u"/"},
      {u"//a", u"//"},
      {u"//", u"//"},
      {u"\\\\server\\share", u"\\\\server"},
      {u"a/b/", u"a"},
      {u"a\\b/c", u"a\\b"},
      {u"C:/a/b", u"C:/a"},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(UTF16ToUTF8(c.input));
    EXPECT_EQ(c.expected, FilePath(c.input).DirName().value());
  }
}

TEST(FilePathTest, BaseNameIsTheLastComponent) {
  const PathCase cases[] = {
      {u"C:\\a\\b.exe", u"b.exe"},
      {u"/a/b/", u"b"},
      {u"b", u"b"},
      {u"C:b", u"b"},
      {u"a\\b/c", u"c"},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(UTF16ToUTF8(c.input));
    EXPECT_EQ(c.expected, FilePath(c.input).BaseName().value());
  }
}

TEST(FilePathTest, IsPathAbsoluteNeedsDriveAndSeparatorOrDoubleSeparator) {
  const struct {
    String path;
    bool absolute;
  } cases[] = {
      {u"C:\\a", true},  {u"c:/a", true},       {u"C:\\", true}, {u"C:", false},
      {u"C:a", false},   {u"\\\\server", true}, {u"//x", true},  {u"\\/", true},
      {u"/a", false},    {u"\\a", false},       {u"a", false},   {u"", false},
      {u"1:\\a", false}, {u"..\\a", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(UTF16ToUTF8(c.path));
    EXPECT_EQ(c.absolute, FilePath::IsPathAbsolute(c.path));
    EXPECT_EQ(c.absolute, FilePath(c.path).IsAbsolute());
  }
}

TEST(FilePathTest, BothSlashesAreSeparators) {
  EXPECT_TRUE(FilePath::IsSeparator(u'\\'));
  EXPECT_TRUE(FilePath::IsSeparator(u'/'));
  EXPECT_FALSE(FilePath::IsSeparator(u':'));
  EXPECT_TRUE(FilePath::IsSeparator(FilePath::kPreferredSeparator));
}

TEST(FilePathTest, ComparesByText) {
  EXPECT_EQ(FilePath(u"a/b"), FilePath(u"a/b"));
  EXPECT_NE(FilePath(u"a/b"), FilePath(u"a\\b"));
  EXPECT_TRUE(FilePath().empty());
}

// Windows' file systems take names that differ only in letter case for one
// name; Linux's tell them apart.
TEST(FilePathTest, TheComparisonKeyIgnoresLetterCaseOnWindowsOnly) {
  const FilePath lower(u"plugins/\u00e4\u4e2d.dll");
  const FilePath upper(u"Plugins/\u00c4\u4e2d.DLL");
#if defined(_WIN32)
  EXPECT_EQ(lower.ComparisonKey(), upper.ComparisonKey());
#else
  EXPECT_NE(lower.ComparisonKey(), upper.ComparisonKey());
  EXPECT_EQ(upper.value(), upper.ComparisonKey());
#endif
  EXPECT_NE(lower.ComparisonKey(),
            FilePath(u"plugins/other.dll").ComparisonKey());
  EXPECT_EQ(u"", FilePath().ComparisonKey());
}

}  // namespace
}  // namespace base
