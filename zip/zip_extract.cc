#include "zip/zip_extract.h"

#include <string>

#include "base/file_util.h"
#include "base/logging.h"
#include "base/sys_string_conversions.h"
#include "zip/extraction_journal.h"
#include "zip/zip_reader.h"

namespace zip {

namespace {

// Whether |path| survives the system ANSI code page, through which the
// installation's files are opened on the systems the updater serves.
bool IsRepresentableInAnsi(const base::FilePath& path) {
  return base::AnsiToWide(base::WideToAnsi(path.value())) == path.value();
}

// Why |entry| cannot be extracted into |dest_dir|, or nullptr when it can.
const char* WhyRefused(const ZipEntryInfo& entry,
                       const base::FilePath& dest_dir) {
  if (entry.is_unsafe())
    return "unsafe entry name";
  const base::FilePath entry_path = dest_dir.Append(entry.path());
  if (entry_path.value().size() >= base::kMaxPathLength)
    return "destination path too long";
  if (!IsRepresentableInAnsi(entry_path))
    return "destination path not representable in the ANSI code page";
  return nullptr;
}

// Reads the whole central directory before anything is written, so that an
// archive with one bad entry writes nothing at all.
bool CheckEveryEntry(const base::FilePath& archive_path,
                     const base::FilePath& dest_dir) {
  ZipReader reader;
  if (!reader.OpenArchive(archive_path)) {
    LOG(ERROR) << "Cannot open archive " << archive_path.value();
    return false;
  }
  while (reader.HasEntry()) {
    if (!reader.ReadCurrentEntry()) {
      LOG(ERROR) << "Cannot read an entry of " << archive_path.value();
      return false;
    }
    const ZipEntryInfo& entry = *reader.current_entry_info();
    if (const char* reason = WhyRefused(entry, dest_dir)) {
      LOG(ERROR) << "Archive refused, " << reason << ": "
                 << entry.path().value();
      return false;
    }
    if (!reader.MoveToNextEntry()) {
      LOG(ERROR) << "Cannot step through " << archive_path.value();
      return false;
    }
  }
  return true;
}

}  // namespace

bool ExtractArchive(const base::FilePath& archive_path,
                    const base::FilePath& dest_dir) {
  if (!CheckEveryEntry(archive_path, dest_dir))
    return false;

  ExtractionJournal journal;
  if (!journal.Create()) {
    LOG(ERROR) << "Cannot create a directory for the replaced files";
    return false;
  }
  ZipReader reader;
  if (!reader.OpenArchive(archive_path)) {
    LOG(ERROR) << "Cannot open archive " << archive_path.value();
    return false;
  }
  while (reader.HasEntry()) {
    bool extracted = reader.ReadCurrentEntry() &&
                     !reader.current_entry_info()->is_unsafe() &&
                     reader.ExtractEntryIntoDir(dest_dir, &journal);
    if (!extracted || !reader.MoveToNextEntry()) {
      const ZipEntryInfo* entry = reader.current_entry_info();
      LOG(ERROR) << "Extraction failed at "
                 << (entry ? entry->path().value() : std::u16string(u"?"))
                 << "; restoring the previous files";
      if (!journal.RollBack())
        LOG(ERROR) << "Some previous files could not be restored";
      return false;
    }
  }
  return true;
}

}  // namespace zip
