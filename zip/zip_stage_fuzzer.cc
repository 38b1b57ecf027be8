// Feeds arbitrary bytes as a package to the staging: whatever a server
// sends must end as a staged package or as a refusal, never as a crash or a
// hang, and never touches the installation or anything beside the staging
// directory.
#include <dirent.h>
#include <stddef.h>
#include <stdint.h>

#include <set>
#include <string>

#include "base/file_util.h"
#include "base/logging.h"
#include "base/unique_temp_dir.h"
#include "zip/zip_stage.h"

namespace {

struct Scratch {
  base::UniqueTempDir dir;
  base::FilePath archive;
  base::FilePath install;
  base::FilePath staging;
};

Scratch* g_scratch;

using Names = std::set<std::string>;

// The names in |dir|, "." and ".." left out.
Names ListNames(const base::FilePath& dir) {
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

void WriteSmallFile(const base::FilePath& path, const std::string& content) {
  base::ScopedFILE file = base::OpenFile(path, "wb");
  if (!file ||
      fwrite(content.data(), 1, content.size(), file.get()) != content.size()) {
    __builtin_trap();
  }
}

// A staged path must stay below the installation.
bool IsContained(const base::FilePath& path) {
  if (path.empty() || path.IsAbsolute() ||
      base::FilePath::IsSeparator(path.value()[0]))
    return false;
  return path.value().find(u"..") == std::u16string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_scratch = new Scratch;
  if (!g_scratch->dir.Create())
    __builtin_trap();
  g_scratch->archive = g_scratch->dir.path().AppendASCII("package.zip");
  g_scratch->install = g_scratch->dir.path().AppendASCII("install");
  g_scratch->staging = g_scratch->install.AppendASCII("..staging");
  if (!base::CreateDirectoryTree(g_scratch->install))
    __builtin_trap();
  WriteSmallFile(g_scratch->install.AppendASCII("keep.txt"), "old");
  logging::SetLogFileForTesting(
      g_scratch->dir.path().AppendASCII("debug.log").AsSystemPath());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  WriteSmallFile(g_scratch->archive,
                 std::string(reinterpret_cast<const char*>(data), size));
  if (!base::DeletePath(g_scratch->staging, true) ||
      !base::CreateDirectoryTree(g_scratch->staging)) {
    __builtin_trap();
  }

  zip::StagedPackage staged;
  std::string error;
  bool accepted = zip::StageArchive(g_scratch->archive, g_scratch->install,
                                    g_scratch->staging, &staged, &error);
  if (!accepted && error.empty())
    __builtin_trap();
  if (accepted) {
    // Each file waits in the staging directory under its own path.
    for (const zip::StagedPackage::File& file : staged.files) {
      if (!IsContained(file.path) || file.staged_name != file.path.value() ||
          !base::PathPresent(g_scratch->staging.Append(file.staged_name))) {
        __builtin_trap();
      }
    }
    for (const base::FilePath& dir : staged.directories) {
      if (!IsContained(dir))
        __builtin_trap();
    }
  }
  if (ListNames(g_scratch->install) != Names{"keep.txt", "..staging"})
    __builtin_trap();
  return 0;
}
