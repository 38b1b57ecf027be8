#include "base/file_flusher.h"

#include <string>
#include <utility>

#include "base/file.h"
#include "base/file_util.h"
#include "base/unique_temp_dir.h"
#include "gtest/gtest.h"

namespace base {
namespace {

std::string Content(const FilePath& path) {
  File file = File::OpenForRead(path);
  char buffer[64];
  const int64_t read = file.Read(buffer, sizeof(buffer));
  return read > 0 ? std::string(buffer, static_cast<size_t>(read))
                  : std::string();
}

// More files than may wait at once, so that handing over has to wait too.
TEST(FileFlusherTest, EveryFileHandedOverIsClosedWithItsContent) {
  UniqueTempDir dir;
  ASSERT_TRUE(dir.Create());
  constexpr int kFiles = 300;
  FileFlusher flusher(dir.path());
  for (int i = 0; i < kFiles; ++i) {
    File file =
        File::CreateNew(dir.path().AppendASCII(std::to_string(i)), false);
    ASSERT_TRUE(file.IsValid());
    const std::string content = "file " + std::to_string(i);
    ASSERT_TRUE(file.WriteAll(content.data(), content.size()));
    flusher.Add(std::move(file));
  }
  EXPECT_TRUE(flusher.Finish());
  EXPECT_FALSE(flusher.Finish());
  for (int i = 0; i < kFiles; ++i) {
    const FilePath path = dir.path().AppendASCII(std::to_string(i));
    EXPECT_EQ("file " + std::to_string(i), Content(path));
    // Closed: on Windows an open file could not be deleted.
    EXPECT_TRUE(DeletePath(path, false));
  }
}

TEST(FileFlusherTest, NothingHandedOverIsNothingToFlush) {
  UniqueTempDir dir;
  ASSERT_TRUE(dir.Create());
  FileFlusher flusher(dir.path());
  EXPECT_TRUE(flusher.Finish());
}

}  // namespace
}  // namespace base
