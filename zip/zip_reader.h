// ZipReader walks a zip archive entry by entry through minizip and writes
// entries out; ZipEntryInfo describes one entry and says whether its name is
// safe to extract. One reader per extraction, used by one thread.
#ifndef ZIP_ZIP_READER_H_
#define ZIP_ZIP_READER_H_

#include <cstdint>
#include <memory>
#include <string>

#include "base/file_path.h"

namespace zip {

class ExtractionJournal;

class ZipEntryInfo {
 public:
  // |raw_name|: the entry name as stored in the archive. |owner_executable|:
  // the archive's Unix attributes give the owner the execute bit.
  ZipEntryInfo(const std::string& raw_name, bool owner_executable);

  // The name decoded from UTF-8; undecodable sequences become U+FFFD.
  const base::FilePath& path() const { return path_; }
  bool is_directory() const { return is_dir_; }
  // The name holds "..", is not valid UTF-8, begins with a separator or a
  // drive letter, colon and separator, or begins with two separators.
  bool is_unsafe() const { return unsafe_; }
  bool is_owner_executable() const { return owner_executable_; }

 private:
  base::FilePath path_;
  bool is_dir_;
  bool unsafe_;
  bool owner_executable_;
};

class ZipReader {
 public:
  // Entry names longer than this many bytes are cut to it.
  static constexpr size_t kMaxEntryNameLength = 255;

  ZipReader();
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;
  ~ZipReader();

  // Opens the archive at |archive_path| and stands on its first entry. Only
  // on a closed reader.
  bool OpenArchive(const base::FilePath& archive_path);
  // Whether there is a current entry.
  bool HasEntry() const { return zip_file_ && !at_end_; }
  // Describes the current entry; current_entry_info() then holds it.
  bool ReadCurrentEntry();
  const ZipEntryInfo* current_entry_info() const {
    return current_entry_info_.get();
  }
  // Writes the current entry (after ReadCurrentEntry) to |dir| joined with
  // its name, through |journal|.
  bool ExtractEntryIntoDir(const base::FilePath& dir,
                           ExtractionJournal* journal);
  // Writes the current entry to |output_path|: a directory entry creates the
  // directory and its missing parents; a file entry its missing parents and
  // the file. A failure may leave a partly written file in |journal|.
  bool ExtractEntryToFile(const base::FilePath& output_path,
                          ExtractionJournal* journal);
  // Steps to the next entry, or to the end after the last.
  bool MoveToNextEntry();
  // Releases the archive and the entry description; also run on destruction.
  void CloseArchive();

 private:
  bool CopyCurrentEntryTo(const base::FilePath& output_path,
                          ExtractionJournal* journal);

  // Closes a minizip archive handle.
  struct ArchiveCloser {
    void operator()(void* zip_file) const;
  };

  // The open archive, or null.
  std::unique_ptr<void, ArchiveCloser> zip_file_;
  int32_t num_entries_ = 0;
  bool at_end_ = false;
  std::unique_ptr<ZipEntryInfo> current_entry_info_;
};

}  // namespace zip

#endif  // ZIP_ZIP_READER_H_
