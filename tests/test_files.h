// Files as tests see them: reading and writing whole files, pictures of a
// directory tree to compare, and private temporary directories. Plain
// functions and a scoped directory; any thread.
#ifndef TESTS_TEST_FILES_H_
#define TESTS_TEST_FILES_H_

#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "base/unique_temp_dir.h"

namespace test {

// Reads a whole file; empty when it does not exist.
std::string ReadFileOrEmpty(const std::filesystem::path& path);

// Writes |content| to |path|, making the directories on the way.
void WriteFile(const std::filesystem::path& path, const std::string& content);

// The name a Windows program under Wine gives a Linux path: the Z: drive is
// the root directory.
std::string WinePath(const std::string& path);

// By path relative to the root of the tree.
using Files = std::map<std::string, std::string>;

// The regular files below |root| with their content, but those whose
// relative paths are in |left_out| and the updater's own entries (names
// that begin with "..").
Files FileContents(const std::filesystem::path& root,
                   const std::set<std::string>& left_out = {});

// Everything below |root| but the updater's own entries: each directory as
// "dir MODE", each file as "file MODE CONTENT", with its permission bits in
// decimal, a link as what it is.
Files TreeWithModes(const std::filesystem::path& root);

// The framework's private temporary directory, created at once, with its
// path in the UTF-8 the tests build paths in. Removed with its contents by
// the destructor.
class ScopedTempDir {
 public:
  ScopedTempDir();
  const std::string& path() const { return path_; }

 private:
  base::UniqueTempDir dir_;
  std::string path_;
};

}  // namespace test

#endif  // TESTS_TEST_FILES_H_
