#include "engine/staged_update.h"

#include "base/deferred_termination.h"
#include "base/file_util.h"
#include "base/logging.h"
#include "base/utf_string_conversions.h"
#include "engine/commit.h"

namespace {

// Makes a directory named after |prefix| in |install_dir|, in which files
// get the access of the installation's own; its name, or empty when none
// could be made.
std::u16string MakeDirectoryIn(const base::FilePath& install_dir,
                               const char16_t* prefix) {
  base::FilePath dir;
  if (!base::CreateUniqueWorkDirIn(install_dir, prefix, &dir))
    return std::u16string();
  return dir.BaseName().value();
}

}  // namespace

StagedUpdate::StagedUpdate(const base::FilePath& install_dir,
                           FileOperations* operations)
    : install_dir_(install_dir), operations_(operations) {}

StagedUpdate::~StagedUpdate() {
  if (journaled_)
    return;
  if (!staging_dir_.empty())
    base::DeletePath(install_dir_.Append(staging_dir_), true);
  if (!backup_dir_.empty())
    base::DeletePath(install_dir_.Append(backup_dir_), true);
}

bool StagedUpdate::CanStageIn(const base::FilePath& install_dir,
                              std::string* error) {
  const std::u16string staging_dir =
      MakeDirectoryIn(install_dir, kStagingDirPrefix);
  if (staging_dir.empty()) {
    *error = "cannot create a staging directory in " +
             base::UTF16ToUTF8(install_dir.value());
    return false;
  }
  const base::FilePath made = install_dir.Append(staging_dir);
  if (!base::DeletePath(made, false)) {
    *error = "cannot remove the staging directory " +
             base::UTF16ToUTF8(made.value());
    return false;
  }
  return true;
}

bool StagedUpdate::Stage(const base::FilePath& package, std::string* error) {
  staging_dir_ = MakeDirectoryIn(install_dir_, kStagingDirPrefix);
  if (staging_dir_.empty()) {
    *error = "cannot create a staging directory in the installation";
    return false;
  }
  return zip::StageArchive(package, install_dir_,
                           install_dir_.Append(staging_dir_), &staged_, error);
}

base::FilePath StagedUpdate::StagedFile(const base::FilePath& path) const {
  const std::u16string wanted = path.ComparisonKey();
  for (const zip::StagedPackage::File& file : staged_.files) {
    if (file.path.ComparisonKey() == wanted)
      return install_dir_.Append(staging_dir_).Append(file.staged_name);
  }
  return base::FilePath();
}

bool StagedUpdate::Commit(std::string* error) {
  backup_dir_ = MakeDirectoryIn(install_dir_, kBackupDirPrefix);
  if (backup_dir_.empty()) {
    *error = "cannot create a backup directory in the installation";
    return false;
  }
  if (!PlanCommit(staged_, install_dir_, staging_dir_, backup_dir_, &plan_,
                  error))
    return false;
  base::DeferredTermination deferred;
  journaled_ = true;
  if (CommitPlanSteps(install_dir_, plan_, operations_, error))
    return true;
  // A failed commit has been undone, and its journal removed, unless the
  // undoing failed too: then the next start tries again.
  journaled_ = base::PathPresent(install_dir_.Append(kJournalName));
  return false;
}

void StagedUpdate::FinishCommit() {
  if (!::FinishCommit(install_dir_, plan_, operations_))
    LOG(WARNING) << "Some files of the finished update are left for the next "
                    "start to remove";
  journaled_ = base::PathPresent(install_dir_.Append(kJournalName));
}
