// Staging of an update package: the whole zip archive is checked, then
// unpacked into a private directory beside the installation, where every
// file waits, flushed to disk, until the commit moves it into place.
// Nothing of the installation itself is written. Called on any one thread.
#ifndef ZIP_ZIP_STAGE_H_
#define ZIP_ZIP_STAGE_H_

#include <string>
#include <vector>

#include "base/file_path.h"

namespace zip {

// What a staged package puts into the installation. Paths are relative to
// the installation, without empty or "." components.
struct StagedPackage {
  struct File {
    base::FilePath path;
    // Where the file waits, relative to the staging directory, which
    // mirrors the package's folders: the same path as |path|.
    std::u16string staged_name;
  };
  // Every directory the package names or implies, each after its parent.
  std::vector<base::FilePath> directories;
  // Every file, each path once: the last entry for a path wins.
  std::vector<File> files;
};

// Checks every entry of the archive at |archive_path| before anything is
// written: a safe name, a path under |install_dir| that the system can hold,
// stored or deflated data that is not encrypted, no path that is both a
// file and a directory, and (where the file system ignores letter case) no
// two paths that differ only in case. Then writes each file into
// |staging_dir| under its own path there, from its last entry, verifying
// its size and checksum, with the permission bits of the installed file it
// will replace (or, for a new file or one that replaces a link, the owner's
// execute bit from the archive), and flushes them all to disk. On success
// |staged| describes the package; on failure |error| says why, and whatever
// was written stays in |staging_dir| for its owner to remove.
bool StageArchive(const base::FilePath& archive_path,
                  const base::FilePath& install_dir,
                  const base::FilePath& staging_dir,
                  StagedPackage* staged,
                  std::string* error);

}  // namespace zip

#endif  // ZIP_ZIP_STAGE_H_
