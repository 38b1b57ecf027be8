#include "zip/extraction_journal.h"

#include <string>
#include <vector>

#include "base/file_util.h"
#include "base/logging.h"

namespace zip {

namespace {

// Old contents are copied in blocks of this size.
constexpr size_t kCopyBlockSize = 64 * 1024;

bool CopyContent(base::File* from, base::File* to) {
  std::vector<char> block(kCopyBlockSize);
  for (;;) {
    int64_t read = from->Read(block.data(), block.size());
    if (read < 0)
      return false;
    if (read == 0)
      return to->Close();
    if (!to->WriteAll(block.data(), static_cast<size_t>(read)))
      return false;
  }
}

// Paths this long could be made on some systems but not deleted again.
bool IsTooLong(const base::FilePath& path) {
  return path.value().size() >= base::kMaxPathLength;
}

}  // namespace

ExtractionJournal::ExtractionJournal() = default;

ExtractionJournal::~ExtractionJournal() = default;

bool ExtractionJournal::Create() {
  return backup_dir_.Create();
}

bool ExtractionJournal::CreateDirectoryTree(const base::FilePath& dir) {
  if (IsTooLong(dir))
    return false;
  std::vector<base::FilePath> created;
  bool success = base::CreateDirectoryTree(dir, &created);
  for (const base::FilePath& path : created)
    changes_.push_back({ChangeKind::kCreatedDirectory, path, base::FilePath()});
  return success;
}

base::File ExtractionJournal::OpenForReplacement(const base::FilePath& path,
                                                 bool owner_executable) {
  if (IsTooLong(path))
    return base::File();
  const std::string key = path.AsSystemPath();
  if (safe_files_.count(key))
    return base::File::OpenExistingForOverwrite(path);

  base::FileInfo info;
  if (!base::ReadFileInfo(path, &info)) {
    base::File created = base::File::CreateNew(path, owner_executable);
    if (created.IsValid()) {
      changes_.push_back({ChangeKind::kCreatedFile, path, base::FilePath()});
      safe_files_.insert(key);
    }
    return created;
  }
  if (info.is_directory)
    return base::File();

  base::FilePath backup;
  if (!KeepOldContent(path, &backup))
    return base::File();
  base::File replaced = base::File::OpenExistingForOverwrite(path);
  if (!replaced.IsValid()) {
    base::DeletePath(backup, false);
    return replaced;
  }
  changes_.push_back({ChangeKind::kReplacedFile, path, backup});
  safe_files_.insert(key);
  return replaced;
}

bool ExtractionJournal::KeepOldContent(const base::FilePath& path,
                                       base::FilePath* backup) {
  base::File from = base::File::OpenForRead(path);
  if (!from.IsValid())
    return false;
  *backup = backup_dir_.path().AppendASCII(std::to_string(changes_.size()));
  base::File to = base::File::CreateNew(*backup, false);
  if (!to.IsValid())
    return false;
  if (!CopyContent(&from, &to)) {
    base::DeletePath(*backup, false);
    return false;
  }
  return true;
}

bool ExtractionJournal::RollBack() {
  bool success = true;
  for (auto change = changes_.rbegin(); change != changes_.rend(); ++change) {
    if (!UndoChange(*change)) {
      LOG(ERROR) << "Could not restore " << change->path.value();
      success = false;
    }
  }
  changes_.clear();
  safe_files_.clear();
  return success;
}

bool ExtractionJournal::UndoChange(const Change& change) {
  switch (change.kind) {
    case ChangeKind::kCreatedDirectory:
    case ChangeKind::kCreatedFile:
      return base::DeletePath(change.path, false);
    case ChangeKind::kReplacedFile: {
      base::File from = base::File::OpenForRead(change.backup);
      base::File to = base::File::OpenExistingForOverwrite(change.path);
      return from.IsValid() && to.IsValid() && CopyContent(&from, &to);
    }
  }
  return false;
}

}  // namespace zip
