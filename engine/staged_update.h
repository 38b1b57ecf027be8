// One update of the installation: the package staged into a private
// directory beside the installed files while the host may still run, then,
// once it has exited, committed by renames under a durable journal. Owns
// its staging and backup directories and removes them when it goes, unless
// a journal still needs them. Stage may run on another thread than the
// rest, one after the other.
#ifndef ENGINE_STAGED_UPDATE_H_
#define ENGINE_STAGED_UPDATE_H_

#include <string>

#include "base/file_path.h"
#include "engine/commit_plan.h"
#include "engine/file_operations.h"
#include "zip/zip_stage.h"

class StagedUpdate {
 public:
  // |operations| is not owned and outlives the update.
  StagedUpdate(const base::FilePath& install_dir, FileOperations* operations);
  ~StagedUpdate();
  StagedUpdate(const StagedUpdate&) = delete;
  StagedUpdate& operator=(const StagedUpdate&) = delete;

  // Whether a staging directory can be made in |install_dir| and removed
  // again, so that an installation that cannot take an update is found
  // before its package is fetched. False, with |error| naming the
  // directory, when not.
  static bool CanStageIn(const base::FilePath& install_dir, std::string* error);

  // Creates the staging directory and unpacks the package at |package| into
  // it. Changes none of the installation's files. False, with |error|, when
  // the package is refused or cannot be staged.
  bool Stage(const base::FilePath& package, std::string* error);

  // After Stage: where the staged content of the file that the package
  // puts at |path| (relative to the installation, compared as the file
  // system compares names) lies; empty when the package has no such file.
  base::FilePath StagedFile(const base::FilePath& path) const;

  // After Stage: moves the staged files into place. A request to end the
  // process meanwhile waits until the commit is complete or undone. False,
  // with |error|, when nothing changed in the end.
  bool Commit(std::string* error);

  // After a successful Commit: removes the backups and the journal.
  void FinishCommit();

 private:
  const base::FilePath install_dir_;
  FileOperations* const operations_;
  // Names in the installation directory; empty until made.
  std::u16string staging_dir_;
  std::u16string backup_dir_;
  zip::StagedPackage staged_;
  CommitPlan plan_;
  // A journal refers to the directories: they are not the object's to remove.
  bool journaled_ = false;
};

#endif  // ENGINE_STAGED_UPDATE_H_
