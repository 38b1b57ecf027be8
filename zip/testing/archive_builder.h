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
};

// Writes |entries| as a deflated archive at |path|. False on any failure.
bool WriteTestArchive(const base::FilePath& path,
                      const std::vector<TestEntry>& entries);

// Header fields of an entry that tests rewrite to make archives no writer
// would: another compression method, the encryption flag, a false size.
enum class EntryField { kFlags, kCompressionMethod, kOriginalSize };

// Sets |field| of the entry named |name| to |value| in both its local and
// its central header, in the archive at |path|. False when the entry is not
// found or the file cannot be rewritten.
bool PatchEntryField(const base::FilePath& path, const std::string& name,
                     EntryField field, uint32_t value);

}  // namespace zip

#endif  // ZIP_TESTING_ARCHIVE_BUILDER_H_
