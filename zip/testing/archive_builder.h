// Writes small zip archives for the zip tests and fuzzer seeds, through
// minizip's archive writer. Test code only; one thread at a time.
#ifndef ZIP_TESTING_ARCHIVE_BUILDER_H_
#define ZIP_TESTING_ARCHIVE_BUILDER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "base/file_path.h"

namespace zip {

struct TestEntry {
  // The name exactly as stored; a directory entry ends with "/".
  std::string name;
  std::string content;
  // Unix mode bits recorded for the entry; 0 records none (an archive made
  // on FAT).
  uint32_t unix_mode = 0;
  // Whether bit 11 of the flags says the name is UTF-8.
  bool utf8_flag = false;
  // The entry's extra fields, in its local and its central header alike.
  std::string extra = {};
};

// The Info-ZIP Unicode Path extra field that says |raw_name| is |utf8_name|,
// with |raw_name|'s checksum as zip tools write it.
std::string UnicodePathField(const std::string& raw_name,
                             const std::string& utf8_name);

// Writes |entries| as a deflated archive at |path|. False on any failure.
bool WriteTestArchive(const base::FilePath& path,
                      const std::vector<TestEntry>& entries);

// Header fields of an entry that tests rewrite to make archives no writer
// would: another compression method, the encryption flag, a false size.
enum class EntryField { kFlags, kCompressionMethod, kOriginalSize };

// Sets |field| of the entry named |name| to |value| in both its local and
// its central header, in the archive at |path|. False when the entry is not
// found or the file cannot be rewritten.
bool PatchEntryField(const base::FilePath& path,
                     const std::string& name,
                     EntryField field,
                     uint32_t value);

}  // namespace zip

#endif  // ZIP_TESTING_ARCHIVE_BUILDER_H_
