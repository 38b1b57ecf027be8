// Carries out a commit plan in the installation by renames only, under a
// journal that is on disk before the first step, so that whatever moment
// the process dies at, the next start can undo or finish the commit; and
// undoes or finishes one found half done. Every change goes through a
// FileOperations. Called on one thread at a time.
#ifndef ENGINE_COMMIT_H_
#define ENGINE_COMMIT_H_

#include <string>

#include "base/file_path.h"
#include "engine/commit_plan.h"
#include "engine/file_operations.h"

// Writes the journal, then takes every step of |plan| in |install_dir|, and
// marks the journal complete once every step is on disk. On a failure puts
// everything back, newest first, and returns false with |error|; the
// backups are kept until the restore has succeeded. On success the staging
// and backup directories and the journal remain for FinishCommit.
bool CommitPlanSteps(const base::FilePath& install_dir, const CommitPlan& plan,
                     FileOperations* operations, std::string* error);

// Undoes whatever steps of |plan| were taken, newest first, whichever step
// the commit had reached, then removes the journal and the staging and
// backup directories. False when something could not be put back; the
// journal and the backups then stay for another try.
bool RollBackCommit(const base::FilePath& install_dir, const CommitPlan& plan,
                    FileOperations* operations);

// After a complete commit: removes the journal, then the staging and backup
// directories. False when something could not be removed; a journal left
// behind is finished by the next start, directories left are removed by it.
bool FinishCommit(const base::FilePath& install_dir, const CommitPlan& plan,
                  FileOperations* operations);

#endif  // ENGINE_COMMIT_H_
