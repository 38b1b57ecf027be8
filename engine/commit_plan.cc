#include "engine/commit_plan.h"

#include "base/file_util.h"
#include "base/utf_string_conversions.h"

const char16_t kStagingDirPrefix[] = u"..updater_staging";
const char16_t kBackupDirPrefix[] = u"..updater_backup";
const char16_t kJournalName[] = u"..updater_journal";
const char16_t kNewJournalName[] = u"..updater_journal.new";

bool PlanCommit(const zip::StagedPackage& staged, const base::FilePath& install_dir,
                const std::u16string& staging_dir, const std::u16string& backup_dir,
                CommitPlan* plan, std::string* error) {
  plan->staging_dir = staging_dir;
  plan->backup_dir = backup_dir;
  plan->steps.clear();
  for (const base::FilePath& dir : staged.directories) {
    base::FileInfo info;
    if (!base::ReadFileInfo(install_dir.Append(dir), &info)) {
      plan->steps.push_back({CommitStep::Kind::kMakeDirectory, dir, std::u16string()});
    } else if (!info.is_directory) {
      *error = "something other than a directory stands at " + base::UTF16ToUTF8(dir.value());
      return false;
    }
  }
  for (const zip::StagedPackage::File& file : staged.files) {
    base::FileInfo info;
    CommitStep::Kind kind = CommitStep::Kind::kAddFile;
    if (base::ReadFileInfo(install_dir.Append(file.path), &info)) {
      if (info.is_directory) {
        *error = "a directory stands where the package puts the file " +
                 base::UTF16ToUTF8(file.path.value());
        return false;
      }
      kind = CommitStep::Kind::kReplaceFile;
    }
    plan->steps.push_back({kind, file.path, file.staged_name});
  }
  return true;
}
