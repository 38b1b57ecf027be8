#include "engine/commit.h"

#include <set>

#include "base/file_util.h"
#include "base/utf_string_conversions.h"
#include "engine/journal.h"

namespace {

// The paths one step touches.
struct StepPaths {
  base::FilePath installed;
  base::FilePath staged;
  base::FilePath backup;
};

StepPaths PathsOf(const base::FilePath& install_dir,
                  const CommitPlan& plan,
                  const CommitStep& step) {
  return {install_dir.Append(step.path),
          install_dir.Append(plan.staging_dir).Append(step.staged_name),
          install_dir.Append(plan.backup_dir).Append(step.staged_name)};
}

bool TakeStep(const StepPaths& paths,
              CommitStep::Kind kind,
              FileOperations* operations) {
  switch (kind) {
    case CommitStep::Kind::kMoveDirectory:
    case CommitStep::Kind::kAddFile:
      return operations->Rename(paths.staged, paths.installed);
    case CommitStep::Kind::kMakeDirectory:
      return operations->MakeDirectory(paths.installed);
    case CommitStep::Kind::kReplaceFile:
      return operations->Rename(paths.installed, paths.backup) &&
             operations->Rename(paths.staged, paths.installed);
  }
  return false;
}

// Undoes one step as far as it was taken, which what is on disk tells:
// a backup exists only once a replacement has begun, and a staged file or
// directory is gone only once it has been moved into place.
bool UndoStep(const StepPaths& paths,
              CommitStep::Kind kind,
              FileOperations* operations) {
  switch (kind) {
    case CommitStep::Kind::kMoveDirectory:
      if (base::PathPresent(paths.staged))
        return true;
      return operations->Rename(paths.installed, paths.staged);
    case CommitStep::Kind::kMakeDirectory:
      // A directory that others have put files in stays.
      if (base::IsExistingDirectory(paths.installed))
        operations->RemovePath(paths.installed, false);
      return true;
    case CommitStep::Kind::kAddFile:
      if (base::PathPresent(paths.staged))
        return true;
      return operations->RemovePath(paths.installed, false);
    case CommitStep::Kind::kReplaceFile:
      if (!base::PathPresent(paths.backup))
        return true;
      return operations->Rename(paths.backup, paths.installed);
  }
  return false;
}

// Every directory whose names the steps change.
std::set<std::u16string> TouchedDirectories(const base::FilePath& install_dir,
                                            const CommitPlan& plan) {
  std::set<std::u16string> dirs = {install_dir.value(),
                                   install_dir.Append(plan.staging_dir).value(),
                                   install_dir.Append(plan.backup_dir).value()};
  for (const CommitStep& step : plan.steps) {
    dirs.insert(install_dir.Append(step.path).DirName().value());
    if (step.kind == CommitStep::Kind::kMakeDirectory)
      continue;
    const base::FilePath folder = base::FilePath(step.staged_name).DirName();
    dirs.insert(install_dir.Append(plan.staging_dir).Append(folder).value());
    if (step.kind == CommitStep::Kind::kReplaceFile)
      dirs.insert(install_dir.Append(plan.backup_dir).Append(folder).value());
  }
  return dirs;
}

// A replaced file goes to the same folder in the backup directory as it
// waited in in the staging directory, which mirrors the package's folders.
bool MakeBackupFolders(const base::FilePath& install_dir,
                       const CommitPlan& plan,
                       FileOperations* operations) {
  std::set<std::u16string> made;
  for (const CommitStep& step : plan.steps) {
    if (step.kind != CommitStep::Kind::kReplaceFile)
      continue;
    const base::FilePath folder = base::FilePath(step.staged_name).DirName();
    if (folder.value() != base::FilePath::kCurrentDirectory &&
        made.insert(folder.value()).second &&
        !operations->MakeDirectory(
            install_dir.Append(plan.backup_dir).Append(folder))) {
      return false;
    }
  }
  return true;
}

bool FlushDirectories(const std::set<std::u16string>& dirs,
                      FileOperations* operations) {
  bool flushed = true;
  for (const std::u16string& dir : dirs) {
    // A directory that an undone step removed again has nothing to flush.
    if (base::IsExistingDirectory(base::FilePath(dir)))
      flushed = operations->FlushDirectory(base::FilePath(dir)) && flushed;
  }
  return flushed;
}

// Removes the staging and backup directories, then the journal.
bool RemoveCommitFiles(const base::FilePath& install_dir,
                       const CommitPlan& plan,
                       FileOperations* operations) {
  const bool staging_removed =
      operations->RemovePath(install_dir.Append(plan.staging_dir), true);
  if (!operations->RemovePath(install_dir.Append(plan.backup_dir), true) ||
      !staging_removed)
    return false;
  return operations->RemovePath(install_dir.Append(kJournalName), false) &&
         operations->FlushDirectory(install_dir);
}

// After a failed step of a commit: puts everything back, and says in
// |error| when that has failed too. Always false.
bool UndoAfterFailure(const base::FilePath& install_dir,
                      const CommitPlan& plan,
                      FileOperations* operations,
                      std::string* error) {
  if (!RollBackCommit(install_dir, plan, operations))
    *error += "; the previous files are not all back yet";
  return false;
}

}  // namespace

bool CommitPlanSteps(const base::FilePath& install_dir,
                     const CommitPlan& plan,
                     FileOperations* operations,
                     std::string* error) {
  const base::FilePath journal = install_dir.Append(kJournalName);
  if (base::PathPresent(journal)) {
    *error = "the journal of an unfinished commit is still there";
    return false;
  }
  if (!MakeBackupFolders(install_dir, plan, operations)) {
    *error = "cannot prepare the backup directory";
    return false;
  }
  if (!WriteJournal(install_dir, plan, JournalMark::kNone, operations)) {
    *error = "cannot write the journal";
    // No step was taken: what was written of the journal can simply go.
    operations->RemovePath(install_dir.Append(kNewJournalName), false);
    operations->RemovePath(journal, false);
    return false;
  }
  for (const CommitStep& step : plan.steps) {
    if (!TakeStep(PathsOf(install_dir, plan, step), step.kind, operations)) {
      *error =
          "cannot move " + base::UTF16ToUTF8(step.path.value()) + " into place";
      return UndoAfterFailure(install_dir, plan, operations, error);
    }
  }
  if (!FlushDirectories(TouchedDirectories(install_dir, plan), operations)) {
    *error = "cannot make the new files durable";
    return UndoAfterFailure(install_dir, plan, operations, error);
  }
  // Until the mark is on disk, the next start would undo the commit; a
  // commit that cannot be marked is undone now, while the backups are here.
  if (!WriteJournal(install_dir, plan, JournalMark::kCommitted, operations)) {
    *error = "cannot mark the journal committed";
    return UndoAfterFailure(install_dir, plan, operations, error);
  }
  return true;
}

bool RollBackCommit(const base::FilePath& install_dir,
                    const CommitPlan& plan,
                    FileOperations* operations) {
  bool restored = true;
  for (auto step = plan.steps.rbegin(); step != plan.steps.rend(); ++step) {
    if (!UndoStep(PathsOf(install_dir, plan, *step), step->kind, operations))
      restored = false;
  }
  // The old files must be back on disk before the journal may say so.
  if (!restored ||
      !FlushDirectories(TouchedDirectories(install_dir, plan), operations) ||
      !WriteJournal(install_dir, plan, JournalMark::kUndone, operations)) {
    return false;
  }
  // Everything is back: what the clean-up leaves, the next start removes.
  FinishCommit(install_dir, plan, operations);
  return true;
}

bool FinishCommit(const base::FilePath& install_dir,
                  const CommitPlan& plan,
                  FileOperations* operations) {
  return RemoveCommitFiles(install_dir, plan, operations);
}
