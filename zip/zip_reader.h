// ZipReader walks a zip archive entry by entry through minizip and writes
// entries out, verified; ZipEntryInfo describes one entry and says whether
// its name is safe to extract. One reader per archive, used by one thread.
#ifndef ZIP_ZIP_READER_H_
#define ZIP_ZIP_READER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/file_path.h"

namespace base {
class File;
}

namespace zip {

// How an entry's data is kept in the archive.
struct ZipEntryStorage {
  static constexpr uint16_t kStored = 0;
  static constexpr uint16_t kDeflated = 8;

  uint16_t compression_method = kStored;
  bool encrypted = false;
  // The size of the entry's data once extracted, as the archive records it.
  uint64_t original_size = 0;
};

class ZipEntryInfo {
 public:
  // |raw_name|: the entry's name, meant to be UTF-8. |owner_executable|:
  // the archive's Unix attributes give the owner the execute bit.
  ZipEntryInfo(const std::string& raw_name,
               bool owner_executable,
               const ZipEntryStorage& storage = ZipEntryStorage());

  // The name decoded from UTF-8; undecodable sequences become U+FFFD.
  const base::FilePath& path() const { return path_; }
  bool is_directory() const { return is_dir_; }
  // The name holds ".." or a zero byte, is not valid UTF-8, begins with a
  // separator or a drive letter, colon and separator, or begins with two
  // separators.
  bool is_unsafe() const { return unsafe_; }
  bool is_owner_executable() const { return owner_executable_; }
  const ZipEntryStorage& storage() const { return storage_; }

 private:
  base::FilePath path_;
  bool is_dir_;
  bool unsafe_;
  bool owner_executable_;
  ZipEntryStorage storage_;
};

class ZipReader {
 public:
  ZipReader();
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;
  ~ZipReader();

  // Opens the archive at |archive_path| and stands on its first entry. Only
  // on a closed reader.
  bool OpenArchive(const base::FilePath& archive_path);
  // Whether there is a current entry.
  bool HasEntry() const { return zip_file_ && !at_end_; }
  // Describes the current entry; current_entry_info() then holds it. Its
  // name is the Info-ZIP Unicode Path field's when that was written for the
  // stored name; else the stored name, read in the system's code page when
  // it is neither flagged UTF-8 nor valid UTF-8.
  bool ReadCurrentEntry();
  const ZipEntryInfo* current_entry_info() const {
    return current_entry_info_.get();
  }
  // Writes the data of the current file entry (after ReadCurrentEntry) to
  // |output| in large blocks. False when it cannot be read or written, or
  // when what came out differs from the recorded size or checksum.
  bool ExtractCurrentEntryTo(base::File* output);
  // Steps to the next entry, or to the end after the last.
  bool MoveToNextEntry();
  // Stands on the first entry again.
  bool Rewind();
  // Releases the archive and the entry description; also run on destruction.
  void CloseArchive();

 private:
  // Closes a minizip archive handle.
  struct ArchiveCloser {
    void operator()(void* zip_file) const;
  };

  bool CopyCurrentEntryTo(base::File* output);

  // The open archive, or null.
  std::unique_ptr<void, ArchiveCloser> zip_file_;
  int32_t num_entries_ = 0;
  bool at_end_ = false;
  std::unique_ptr<ZipEntryInfo> current_entry_info_;
  // Extracted data passes through here; allocated at the first extraction.
  std::vector<char> block_;
};

}  // namespace zip

#endif  // ZIP_ZIP_READER_H_
