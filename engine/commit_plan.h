// The plan of a commit: the steps that move a staged package into the
// installation, in order. Also the names of the updater's own entries in
// the installation directory, which no package entry can produce (entry
// names holding ".." are refused). Plain values and functions; any thread.
#ifndef ENGINE_COMMIT_PLAN_H_
#define ENGINE_COMMIT_PLAN_H_

#include <string>
#include <vector>

#include "base/file_path.h"
#include "zip/zip_stage.h"

// Name prefixes of the staging and backup directories, the journal's name,
// and the name a new journal is written under, in the installation
// directory.
extern const char16_t kStagingDirPrefix[];
extern const char16_t kBackupDirPrefix[];
extern const char16_t kJournalName[];
extern const char16_t kNewJournalName[];

struct CommitStep {
  enum class Kind {
    kMoveDirectory,  // move the staged directory, with everything in it, to
                     // |path|, where there is none yet
    kAddFile,        // move the staged file to |path|
    kReplaceFile,    // move |path| into the backup directory, then the
                     // staged file to |path|
    kMakeDirectory,  // create |path|; only in earlier updaters' journals
  };
  Kind kind;
  // Relative to the installation directory.
  base::FilePath path;
  // Where the staged file or directory waits, relative to the staging
  // directory; a replaced file's backup takes the same place in the backup
  // directory. Empty for kMakeDirectory.
  std::u16string staged_name;
};

struct CommitPlan {
  // Names of the staging and backup directories in the installation.
  std::u16string staging_dir;
  std::u16string backup_dir;
  // Directories first, each after its parent, then files.
  std::vector<CommitStep> steps;
};

// Plans the commit of |staged| (in |staging_dir|, with backups going to
// |backup_dir|) against the installation in |install_dir| as it is now: a
// directory new to the installation is moved there whole, with what the
// package puts in it; outside those, existing files are replaced, keeping
// the name under which each is stored, and others added. False, with
// |error|, when a directory stands where the package puts a file or
// something else stands where it needs a directory.
bool PlanCommit(const zip::StagedPackage& staged,
                const base::FilePath& install_dir,
                const std::u16string& staging_dir,
                const std::u16string& backup_dir,
                CommitPlan* plan,
                std::string* error);

#endif  // ENGINE_COMMIT_PLAN_H_
