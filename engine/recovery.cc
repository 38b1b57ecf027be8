#include "engine/recovery.h"

#include <string>
#include <vector>

#include "base/file_util.h"
#include "base/logging.h"
#include "base/process_util.h"
#include "base/unique_temp_dir.h"
#include "engine/commit.h"
#include "engine/commit_plan.h"
#include "engine/journal.h"
#include "engine/package_file.h"

namespace {

bool StartsWith(const std::u16string& name, const std::u16string& prefix) {
  return name.compare(0, prefix.size(), prefix) == 0;
}

// The names of the updater's own entries in |install_dir|.
std::vector<std::u16string> UpdaterEntries(const base::FilePath& install_dir) {
  std::vector<std::u16string> names;
  base::ListDirectory(install_dir, &names);
  std::vector<std::u16string> entries;
  for (const std::u16string& name : names) {
    if (StartsWith(name, kStagingDirPrefix) ||
        StartsWith(name, kBackupDirPrefix) || name == kJournalName ||
        name == kNewJournalName) {
      entries.push_back(name);
    }
  }
  return entries;
}

// Says at ERROR why the installation is in doubt and what is kept for
// whoever repairs it.
void ReportInDoubt(const base::FilePath& install_dir, const std::string& why) {
  std::u16string kept;
  for (const std::u16string& name : UpdaterEntries(install_dir))
    kept += (kept.empty() ? u"" : u", ") + name;
  LOG(ERROR) << "The installation " << install_dir.value()
             << " is in an unknown state: " << why
             << ". Nothing of it is removed and no update is installed until "
                "it is repaired;"
             << " kept: " << kept;
}

// Undoes or finishes the commit journaled in |install_dir|. False when the
// installation is in doubt; |journal_left| tells whether a journal is still
// there, whose directories are then still needed.
bool SettleJournal(const base::FilePath& install_dir,
                   FileOperations* operations,
                   bool* journal_left) {
  const base::FilePath journal = install_dir.Append(kJournalName);
  CommitPlan plan;
  JournalMark mark = JournalMark::kNone;
  switch (ReadJournal(install_dir, &plan, &mark)) {
    case JournalState::kAbsent:
      *journal_left = false;
      return true;
    case JournalState::kDamaged:
      *journal_left = true;
      ReportInDoubt(install_dir, "the journal of an earlier update is damaged");
      return false;
    case JournalState::kWhole:
      break;
  }
  if (mark == JournalMark::kNone) {
    if (!RollBackCommit(install_dir, plan, operations)) {
      *journal_left = true;
      ReportInDoubt(install_dir,
                    "an earlier incomplete update cannot be undone yet");
      return false;
    }
    LOG(INFO) << "Undid an earlier incomplete update: the previous version is "
                 "back whole";
  } else if (FinishCommit(install_dir, plan, operations)) {
    LOG(INFO) << "Finished the clean-up of an earlier "
              << (mark == JournalMark::kCommitted ? "complete" : "undone")
              << " update";
  } else {
    LOG(WARNING) << "Cannot finish the clean-up of an earlier update yet";
  }
  *journal_left = base::PathPresent(journal);
  return true;
}

// Whether anything but directories lies below |dir|; true as well when
// that cannot be told.
bool HoldsFiles(const base::FilePath& dir) {
  std::vector<std::u16string> names;
  if (!base::ListDirectory(dir, &names))
    return true;
  for (const std::u16string& name : names) {
    base::FileInfo info;
    const base::FilePath path = dir.Append(name);
    if (!base::ReadFileInfo(path, &info) || !info.is_directory ||
        HoldsFiles(path))
      return true;
  }
  return false;
}

// Removes what earlier runs left in |install_dir| with no journal to need
// it: staging directories, empty backup directories and a journal never put
// in place. A backup that holds files may be all that is left of the
// previous version, so it stays, and the installation is in doubt.
bool RemoveLeftEntries(const base::FilePath& install_dir,
                       FileOperations* operations) {
  const std::vector<std::u16string> entries = UpdaterEntries(install_dir);
  for (const std::u16string& name : entries) {
    if (StartsWith(name, kBackupDirPrefix) &&
        HoldsFiles(install_dir.Append(name))) {
      ReportInDoubt(install_dir,
                    "backups of an earlier update are there without a journal");
      return false;
    }
  }
  for (const std::u16string& name : entries) {
    if (operations->RemovePath(install_dir.Append(name), true))
      LOG(INFO) << "Removed " << name
                << ", left in the installation by an earlier update";
    else
      LOG(WARNING) << "Cannot remove " << name << " from the installation";
  }
  return true;
}

// Whether |dir| holds nothing but what an updater puts in its private
// directory, so that another program's directory of the same name stays.
bool HoldsOnlyAPackage(const base::FilePath& dir) {
  std::vector<std::u16string> names;
  if (!base::ListDirectory(dir, &names))
    return false;
  return names.empty() || (names.size() == 1 && names[0] == kPackageFileName);
}

void RemoveAbandonedTempDirs(const base::FilePath& temp_dir,
                             FileOperations* operations) {
  std::vector<std::u16string> names;
  base::ListDirectory(temp_dir, &names);
  for (const std::u16string& name : names) {
    int64_t pid = 0;
    if (!base::ParseUniqueTempDirName(name, &pid) ||
        base::IsProcessRunning(pid))
      continue;
    const base::FilePath dir = temp_dir.Append(name);
    if (!HoldsOnlyAPackage(dir))
      continue;
    if (operations->RemovePath(dir, true))
      LOG(INFO) << "Removed " << dir.value()
                << ", left by an updater that no longer runs";
  }
}

}  // namespace

InstallationState RecoverInstallation(const base::FilePath& install_dir,
                                      const base::FilePath& temp_dir,
                                      FileOperations* operations) {
  bool journal_left = false;
  bool whole = SettleJournal(install_dir, operations, &journal_left);
  if (whole && !journal_left)
    whole = RemoveLeftEntries(install_dir, operations);
  if (!temp_dir.empty())
    RemoveAbandonedTempDirs(temp_dir, operations);
  return whole ? InstallationState::kWhole : InstallationState::kInDoubt;
}
