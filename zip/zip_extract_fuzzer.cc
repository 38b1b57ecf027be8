// Feeds arbitrary bytes as a package to the extraction: whatever a server
// sends must end as a complete extraction or as no change at all, never as
// a crash, a hang or a half-written tree.
#include <dirent.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <cstdio>
#include <set>
#include <string>

#include "base/file_util.h"
#include "base/logging.h"
#include "base/unique_temp_dir.h"
#include "zip/zip_extract.h"

namespace {

struct Scratch {
  base::UniqueTempDir dir;
  base::FilePath temp;
  base::FilePath archive;
  base::FilePath dest;
};

Scratch* g_scratch;

using Names = std::set<std::string>;

// The names in |dir|, "." and ".." left out.
Names ListDirectory(const base::FilePath& dir) {
  Names names;
  DIR* handle = opendir(dir.AsSystemPath().c_str());
  if (!handle)
    __builtin_trap();
  while (struct dirent* entry = readdir(handle)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..")
      names.insert(name);
  }
  closedir(handle);
  return names;
}

std::string ReadSmallFile(const base::FilePath& path) {
  std::string content;
  base::ScopedFILE file = base::OpenFile(path, "rb");
  char buffer[64];
  size_t read;
  while (file && (read = fread(buffer, 1, sizeof(buffer), file.get())) > 0)
    content.append(buffer, read);
  return content;
}

void WriteSmallFile(const base::FilePath& path, const std::string& content) {
  base::ScopedFILE file = base::OpenFile(path, "wb");
  if (!file ||
      fwrite(content.data(), 1, content.size(), file.get()) != content.size()) {
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_scratch = new Scratch;
  if (!g_scratch->dir.Create())
    __builtin_trap();
  g_scratch->temp = g_scratch->dir.path().AppendASCII("tmp");
  g_scratch->archive = g_scratch->dir.path().AppendASCII("package.zip");
  g_scratch->dest = g_scratch->dir.path().AppendASCII("install");
  if (!base::CreateDirectoryTree(g_scratch->temp))
    __builtin_trap();
  // The extraction's private directories go here, where they can be seen.
  setenv("TMPDIR", g_scratch->temp.AsSystemPath().c_str(), 1);
  logging::SetLogFileForTesting(
      g_scratch->dir.path().AppendASCII("debug.log").AsSystemPath());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  WriteSmallFile(g_scratch->archive,
                 std::string(reinterpret_cast<const char*>(data), size));
  if (!base::DeletePath(g_scratch->dest, true) ||
      !base::CreateDirectoryTree(g_scratch->dest)) {
    __builtin_trap();
  }
  const base::FilePath kept = g_scratch->dest.AppendASCII("keep.txt");
  WriteSmallFile(kept, "old");

  bool extracted = zip::ExtractArchive(g_scratch->archive, g_scratch->dest);
  if (!extracted && (ListDirectory(g_scratch->dest) != Names{"keep.txt"} ||
                     ReadSmallFile(kept) != "old")) {
    __builtin_trap();
  }
  // Nothing may land beside the destination, and no private directory of
  // the extraction may stay behind.
  Names beside = ListDirectory(g_scratch->dir.path());
  beside.erase("debug.log");
  if (beside != Names{"tmp", "package.zip", "install"})
    __builtin_trap();
  if (!ListDirectory(g_scratch->temp).empty())
    __builtin_trap();
  return 0;
}
