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
// marks the journal committed once every step is on disk. On a failure puts
// everything back, newest first, and returns false with |error|; the
// backups are kept until the journal says everything is back. On success
// the staging and backup directories and the journal remain for
// FinishCommit.
bool CommitPlanSteps(const base::FilePath& install_dir,
                     const CommitPlan& plan,
                     FileOperations* operations,
                     std::string* error);

// Undoes whatever steps of |plan| were taken, newest first, whichever step
// the commit had reached, marks the journal undone, then removes the
// staging and backup directories and the journal. False when something
// could not be put back or the mark not written: the journal and the
// backups then stay for another try.
bool RollBackCommit(const base::FilePath& install_dir,
                    const CommitPlan& plan,
                    FileOperations* operations);

// After the journal has been marked committed or undone: removes the
// staging and backup directories, then the journal, which outlives them so
// that no backup is ever without it. False when something could not be
// removed; the next start finishes what is left.
bool FinishCommit(const base::FilePath& install_dir,
                  const CommitPlan& plan,
                  FileOperations* operations);

#endif  // ENGINE_COMMIT_H_
