// ExtractionJournal records what an extraction changes in a directory tree
// (directories and files it creates, files it replaces, with their old
// content kept in a private temporary directory) so that a failure part-way
// can put the tree back as it was. One per extraction, used by one thread.
#ifndef ZIP_EXTRACTION_JOURNAL_H_
#define ZIP_EXTRACTION_JOURNAL_H_

#include <set>
#include <string>
#include <vector>

#include "base/file.h"
#include "base/file_path.h"
#include "base/unique_temp_dir.h"

namespace zip {

class ExtractionJournal {
 public:
  ExtractionJournal();
  ExtractionJournal(const ExtractionJournal&) = delete;
  ExtractionJournal& operator=(const ExtractionJournal&) = delete;
  // Forgets the changes (they stay) and deletes the kept old contents.
  ~ExtractionJournal();

  // Creates the private directory for old contents. Before anything else.
  bool Create();

  // base::CreateDirectoryTree, remembering each directory it makes.
  bool CreateDirectoryTree(const base::FilePath& dir);

  // Opens |path| for new content. An existing file keeps its permission
  // bits and has its old content kept first; a new one is created
  // (runnable by its owner when |owner_executable|) and remembered. An
  // invalid File when |path| cannot be written, with nothing changed.
  base::File OpenForReplacement(const base::FilePath& path,
                                bool owner_executable);

  // Undoes every change, newest first: old contents written back into the
  // replaced files, created files and directories removed. False when
  // something could not be undone; the rest is undone all the same.
  bool RollBack();

 private:
  enum class ChangeKind { kCreatedDirectory, kCreatedFile, kReplacedFile };
  struct Change {
    ChangeKind kind;
    base::FilePath path;
    // The kept old content of a replaced file.
    base::FilePath backup;
  };

  bool KeepOldContent(const base::FilePath& path, base::FilePath* backup);
  bool UndoChange(const Change& change);

  base::UniqueTempDir backup_dir_;
  std::vector<Change> changes_;
  // Files already created or kept during this extraction, by system path:
  // a second write to one needs no further copy.
  std::set<std::string> safe_files_;
};

}  // namespace zip

#endif  // ZIP_EXTRACTION_JOURNAL_H_
