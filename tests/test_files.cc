#include "tests/test_files.h"

#include <fstream>
#include <sstream>

#include "base/utf_string_conversions.h"

namespace test {

namespace fs = std::filesystem;

namespace {

bool IsUpdaterEntry(const fs::path& relative) {
  return relative.begin()->string().rfind("..", 0) == 0;
}

}  // namespace

std::string ReadFileOrEmpty(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

void WriteFile(const fs::path& path, const std::string& content) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

std::string WinePath(const std::string& path) {
  std::string result = "Z:" + path;
  for (char& c : result) {
    if (c == '/')
      c = '\\';
  }
  return result;
}

Files FileContents(const fs::path& root,
                   const std::set<std::string>& left_out) {
  Files files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const fs::path relative = fs::relative(entry.path(), root);
    if (entry.is_regular_file() && !IsUpdaterEntry(relative) &&
        !left_out.count(relative.generic_string())) {
      files[relative.generic_string()] = ReadFileOrEmpty(entry.path());
    }
  }
  return files;
}

Files TreeWithModes(const fs::path& root) {
  Files tree;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const fs::path relative = fs::relative(entry.path(), root);
    if (IsUpdaterEntry(relative))
      continue;
    const fs::file_status status = entry.symlink_status();
    const std::string mode =
        std::to_string(static_cast<int>(status.permissions()));
    if (fs::is_symlink(status))
      tree[relative.generic_string()] =
          "link to " + fs::read_symlink(entry.path()).string();
    else if (fs::is_directory(status))
      tree[relative.generic_string()] = "dir " + mode;
    else
      tree[relative.generic_string()] =
          "file " + mode + " " + ReadFileOrEmpty(entry.path());
  }
  return tree;
}

ScopedTempDir::ScopedTempDir() {
  if (dir_.Create())
    path_ = base::UTF16ToUTF8(dir_.path().value());
}

}  // namespace test
