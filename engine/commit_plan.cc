#include "engine/commit_plan.h"

#include <set>

#include "base/file_util.h"
#include "base/utf_string_conversions.h"

const char16_t kStagingDirPrefix[] = u"..updater_staging";
const char16_t kBackupDirPrefix[] = u"..updater_backup";
const char16_t kJournalName[] = u"..updater_journal";
const char16_t kNewJournalName[] = u"..updater_journal.new";

namespace {

base::FilePath Parent(const base::FilePath& path) {
  base::FilePath parent = path.DirName();
  return parent.value() == base::FilePath::kCurrentDirectory ? base::FilePath()
                                                             : parent;
}

// Whether |path| lies in one of the directories |moved| (by comparison key).
bool InMovedDirectory(const base::FilePath& path,
                      const std::set<std::u16string>& moved) {
  for (base::FilePath dir = Parent(path); !dir.empty(); dir = Parent(dir)) {
    if (moved.count(dir.ComparisonKey()))
      return true;
  }
  return false;
}

}  // namespace

bool PlanCommit(const zip::StagedPackage& staged,
                const base::FilePath& install_dir,
                const std::u16string& staging_dir,
                const std::u16string& backup_dir,
                CommitPlan* plan,
                std::string* error) {
  plan->staging_dir = staging_dir;
  plan->backup_dir = backup_dir;
  plan->steps.clear();
  // One rename moves a new directory and all that the package puts in it,
  // however many files that is.
  std::set<std::u16string> moved;
  for (const base::FilePath& dir : staged.directories) {
    if (InMovedDirectory(dir, moved))
      continue;
    base::FileInfo info;
    if (!base::ReadFileInfo(install_dir.Append(dir), &info)) {
      plan->steps.push_back(
          {CommitStep::Kind::kMoveDirectory, dir, dir.value()});
      moved.insert(dir.ComparisonKey());
    } else if (!info.is_directory) {
      *error = "something other than a directory stands at " +
               base::UTF16ToUTF8(dir.value());
      return false;
    }
  }
  for (const zip::StagedPackage::File& file : staged.files) {
    if (InMovedDirectory(file.path, moved))
      continue;
    const base::FilePath installed = install_dir.Append(file.path);
    base::FileInfo info;
    if (!base::ReadFileInfo(installed, &info)) {
      plan->steps.push_back(
          {CommitStep::Kind::kAddFile, file.path, file.staged_name});
      continue;
    }
    if (info.is_directory) {
      *error = "a directory stands where the package puts the file " +
               base::UTF16ToUTF8(file.path.value());
      return false;
    }
    // Where names differ only in letter case, the file keeps its own.
    std::u16string stored = file.path.BaseName().value();
    base::StoredName(installed, &stored);
    const base::FilePath parent = Parent(file.path);
    plan->steps.push_back(
        {CommitStep::Kind::kReplaceFile,
         parent.empty() ? base::FilePath(stored) : parent.Append(stored),
         file.staged_name});
  }
  return true;
}
