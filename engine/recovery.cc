#include "engine/recovery.h"

#include <string>
#include <vector>

#include "base/file.h"
#include "base/file_util.h"
#include "base/logging.h"
#include "base/process_util.h"
#include "base/unique_temp_dir.h"
#include "engine/commit.h"
#include "engine/commit_plan.h"

namespace {

// The name of the package file in an updater's private directory.
constexpr char16_t kPackageName[] = u"download.bak";
constexpr size_t kMaxJournalBytes = 64 * 1024 * 1024;

bool ReadJournal(const base::FilePath& path, std::string* text) {
  base::File file = base::File::OpenForRead(path);
  if (!file.IsValid())
    return false;
  char block[64 * 1024];
  for (;;) {
    int64_t read = file.Read(block, sizeof(block));
    if (read < 0 || text->size() > kMaxJournalBytes)
      return false;
    if (read == 0)
      return true;
    text->append(block, static_cast<size_t>(read));
  }
}

// Undoes or finishes the commit journaled in |install_dir|; false when a
// journal is still there afterwards.
bool SettleJournal(const base::FilePath& install_dir, FileOperations* operations) {
  const base::FilePath journal = install_dir.Append(kJournalName);
  if (!base::PathPresent(journal))
    return true;
  std::string text;
  CommitPlan plan;
  bool plan_whole = false;
  bool committed = false;
  if (!ReadJournal(journal, &text) || !ParseJournal(text, &plan, &plan_whole, &committed)) {
    LOG(ERROR) << "Cannot read the journal of an earlier update: " << journal.value();
    return false;
  }
  if (!plan_whole) {
    if (!operations->RemovePath(journal, false)) {
      LOG(ERROR) << "Cannot remove the unfinished journal of an earlier update";
      return false;
    }
    LOG(INFO) << "Removed the unfinished journal of an earlier update that changed nothing";
    return true;
  }
  if (committed) {
    if (!FinishCommit(install_dir, plan, operations) && base::PathPresent(journal)) {
      LOG(ERROR) << "Cannot finish the clean-up of an earlier complete update";
      return false;
    }
    LOG(INFO) << "Finished the clean-up of an earlier complete update";
    return true;
  }
  if (!RollBackCommit(install_dir, plan, operations)) {
    LOG(ERROR) << "Cannot undo an earlier incomplete update; trying again at the next start";
    return false;
  }
  LOG(INFO) << "Undid an earlier incomplete update: the previous version is back whole";
  return true;
}

bool StartsWith(const std::u16string& name, const std::u16string& prefix) {
  return name.compare(0, prefix.size(), prefix) == 0;
}

void RemoveLeftStagingAndBackups(const base::FilePath& install_dir,
                                 FileOperations* operations) {
  std::vector<std::u16string> names;
  base::ListDirectory(install_dir, &names);
  for (const std::u16string& name : names) {
    if (!StartsWith(name, kStagingDirPrefix) && !StartsWith(name, kBackupDirPrefix))
      continue;
    if (operations->RemovePath(install_dir.Append(name), true))
      LOG(INFO) << "Removed " << name << ", left in the installation by an earlier update";
    else
      LOG(WARNING) << "Cannot remove " << name << " from the installation";
  }
}

// Whether |dir| holds nothing but what an updater puts in its private
// directory, so that another program's directory of the same name stays.
bool HoldsOnlyAPackage(const base::FilePath& dir) {
  std::vector<std::u16string> names;
  if (!base::ListDirectory(dir, &names))
    return false;
  return names.empty() || (names.size() == 1 && names[0] == kPackageName);
}

void RemoveAbandonedTempDirs(const base::FilePath& temp_dir, FileOperations* operations) {
  std::vector<std::u16string> names;
  base::ListDirectory(temp_dir, &names);
  for (const std::u16string& name : names) {
    int64_t pid = 0;
    if (!base::ParseUniqueTempDirName(name, &pid) || base::IsProcessRunning(pid))
      continue;
    const base::FilePath dir = temp_dir.Append(name);
    if (!HoldsOnlyAPackage(dir))
      continue;
    if (operations->RemovePath(dir, true))
      LOG(INFO) << "Removed " << dir.value() << ", left by an updater that no longer runs";
  }
}

}  // namespace

void RecoverInstallation(const base::FilePath& install_dir_in, const base::FilePath& temp_dir,
                         FileOperations* operations) {
  const base::FilePath install_dir =
      install_dir_in.empty() ? base::FilePath(base::FilePath::kCurrentDirectory) : install_dir_in;
  // While a journal stays, the directories it names are still needed.
  if (SettleJournal(install_dir, operations))
    RemoveLeftStagingAndBackups(install_dir, operations);
  if (!temp_dir.empty())
    RemoveAbandonedTempDirs(temp_dir, operations);
}
