// Extraction of a whole zip archive over a directory tree, all or nothing:
// an archive with any entry that must not or cannot be written changes
// nothing, and a failure part-way puts back what was already written.
// Called on the thread that runs the installation.
#ifndef ZIP_ZIP_EXTRACT_H_
#define ZIP_ZIP_EXTRACT_H_

#include "base/file_path.h"

namespace zip {

// Writes every entry of the archive at |archive_path| into |dest_dir|, in
// the archive's order, over any files already there (which keep their
// permission bits). True when every entry has been written. On false the
// tree is as it was before the call (each failure is logged as an ERROR).
bool ExtractArchive(const base::FilePath& archive_path,
                    const base::FilePath& dest_dir);

}  // namespace zip

#endif  // ZIP_ZIP_EXTRACT_H_
