// minizip reads the archive through file functions of this program over
// base::File, so that the archive is opened by its UTF-16 path the same way
// on every system.
#include "zip/zip_reader.h"

#include <unzip.h>

#include <cstring>
#include <new>

#include "base/file.h"
#include "base/utf_string_conversions.h"
#include "zip/extraction_journal.h"

namespace zip {

namespace {

// Entry data moves through a buffer of this size.
constexpr size_t kCopyBufferSize = 8192;

// What the open function hands minizip for one opened archive file.
struct ArchiveStream {
  base::File file;
  int last_error = 0;
};

voidpf OpenArchiveStream(voidpf, const void* filename, int mode) {
  // The reader only ever reads an existing archive; writing modes are for
  // minizip's zip writer, which this program does not use.
  if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ ||
      !(mode & ZLIB_FILEFUNC_MODE_EXISTING)) {
    return nullptr;
  }
  base::FilePath path(base::UTF8ToUTF16(static_cast<const char*>(filename)));
  base::File file = base::File::OpenForRead(path);
  if (!file.IsValid())
    return nullptr;
  return new (std::nothrow) ArchiveStream{std::move(file)};
}

uLong ReadArchiveStream(voidpf,
                        voidpf opaque_stream,
                        void* buffer,
                        uLong size) {
  auto* stream = static_cast<ArchiveStream*>(opaque_stream);
  int64_t total = 0;
  // minizip takes a short read for the end of the file, so fill the request.
  while (total < static_cast<int64_t>(size)) {
    int64_t read = stream->file.Read(static_cast<char*>(buffer) + total,
                                     size - static_cast<size_t>(total));
    if (read < 0) {
      stream->last_error = 1;
      break;
    }
    if (read == 0)
      break;
    total += read;
  }
  return static_cast<uLong>(total);
}

uLong WriteArchiveStream(voidpf, voidpf opaque_stream, const void*, uLong) {
  static_cast<ArchiveStream*>(opaque_stream)->last_error = 1;
  return 0;
}

ZPOS64_T TellArchiveStream(voidpf, voidpf opaque_stream) {
  auto* stream = static_cast<ArchiveStream*>(opaque_stream);
  int64_t position = stream->file.Seek(base::File::Whence::kCurrent, 0);
  if (position < 0) {
    stream->last_error = 1;
    return static_cast<ZPOS64_T>(-1);
  }
  return static_cast<ZPOS64_T>(position);
}

long SeekArchiveStream(voidpf,
                       voidpf opaque_stream,
                       ZPOS64_T offset,
                       int origin) {
  auto* stream = static_cast<ArchiveStream*>(opaque_stream);
  base::File::Whence whence;
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
      whence = base::File::Whence::kBegin;
      break;
    case ZLIB_FILEFUNC_SEEK_CUR:
      whence = base::File::Whence::kCurrent;
      break;
    case ZLIB_FILEFUNC_SEEK_END:
      whence = base::File::Whence::kEnd;
      break;
    default:
      return -1;
  }
  if (stream->file.Seek(whence, static_cast<int64_t>(offset)) < 0) {
    stream->last_error = 1;
    return -1;
  }
  return 0;
}

int CloseArchiveStream(voidpf, voidpf opaque_stream) {
  auto* stream = static_cast<ArchiveStream*>(opaque_stream);
  bool closed = stream->file.Close();
  delete stream;
  return closed ? 0 : -1;
}

int ArchiveStreamError(voidpf, voidpf opaque_stream) {
  return static_cast<ArchiveStream*>(opaque_stream)->last_error;
}

zlib_filefunc64_def ArchiveFileFunctions() {
  zlib_filefunc64_def functions = {};
  functions.zopen64_file = OpenArchiveStream;
  functions.zread_file = ReadArchiveStream;
  functions.zwrite_file = WriteArchiveStream;
  functions.ztell64_file = TellArchiveStream;
  functions.zseek64_file = SeekArchiveStream;
  functions.zclose_file = CloseArchiveStream;
  functions.zerror_file = ArchiveStreamError;
  return functions;
}

// Valid: every sequence decodes in its shortest form to a code point below
// U+D800 or from U+E000 to U+10FFFF.
bool IsValidUTF8(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t length;
    uint32_t code_point;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if ((lead & 0xe0) == 0xc0) {
      length = 2;
      code_point = lead & 0x1f;
    } else if ((lead & 0xf0) == 0xe0) {
      length = 3;
      code_point = lead & 0x0f;
    } else if ((lead & 0xf8) == 0xf0) {
      length = 4;
      code_point = lead & 0x07;
    } else {
      return false;
    }
    if (i + length > text.size())
      return false;
    for (size_t k = 1; k < length; ++k) {
      unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xc0) != 0x80)
        return false;
      code_point = code_point << 6 | (next & 0x3f);
    }
    static const uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code_point < kSmallest[length] || code_point > 0x10ffff ||
        (code_point >= 0xd800 && code_point < 0xe000)) {
      return false;
    }
    i += length;
  }
  return true;
}

}  // namespace

ZipEntryInfo::ZipEntryInfo(const std::string& raw_name, bool owner_executable)
    : path_(base::UTF8ToUTF16(raw_name)),
      is_dir_(!raw_name.empty() && raw_name.back() == '/'),
      unsafe_(raw_name.find("..") != std::string::npos),
      owner_executable_(owner_executable) {
  if (!IsValidUTF8(raw_name))
    unsafe_ = true;
  if (path_.IsAbsolute() || (!raw_name.empty() && raw_name[0] == '/'))
    unsafe_ = true;
}

void ZipReader::ArchiveCloser::operator()(void* zip_file) const {
  unzClose(zip_file);
}

ZipReader::ZipReader() = default;

ZipReader::~ZipReader() {
  CloseArchive();
}

bool ZipReader::OpenArchive(const base::FilePath& archive_path) {
  zlib_filefunc64_def functions = ArchiveFileFunctions();
  std::string utf8_path = base::UTF16ToUTF8(archive_path.value());
  zip_file_.reset(unzOpen2_64(utf8_path.c_str(), &functions));
  if (!zip_file_)
    return false;

  unz_global_info64 global_info;
  if (unzGetGlobalInfo64(zip_file_.get(), &global_info) != UNZ_OK ||
      global_info.number_entry > INT32_MAX) {
    CloseArchive();
    return false;
  }
  num_entries_ = static_cast<int32_t>(global_info.number_entry);
  at_end_ = num_entries_ == 0;
  return true;
}

bool ZipReader::ReadCurrentEntry() {
  if (!HasEntry())
    return false;
  char name[kMaxEntryNameLength + 1] = {};
  unz_file_info64 file_info;
  if (unzGetCurrentFileInfo64(zip_file_.get(), &file_info, name,
                              kMaxEntryNameLength, nullptr, 0, nullptr,
                              0) != UNZ_OK) {
    return false;
  }
  std::string raw_name(name, strnlen(name, kMaxEntryNameLength));
  if (raw_name.empty())
    return false;

  // Archives made on Unix (system 3 in the "version made by" field) keep
  // the mode bits in the upper half of the external attributes.
  constexpr unsigned long kMadeOnUnix = 3;
  constexpr unsigned long kOwnerExecute = 0100;
  bool owner_executable = (file_info.version >> 8) == kMadeOnUnix &&
                          ((file_info.external_fa >> 16) & kOwnerExecute);
  current_entry_info_ =
      std::make_unique<ZipEntryInfo>(raw_name, owner_executable);
  return true;
}

bool ZipReader::ExtractEntryIntoDir(const base::FilePath& dir,
                                    ExtractionJournal* journal) {
  if (!current_entry_info_)
    return false;
  return ExtractEntryToFile(dir.Append(current_entry_info_->path()), journal);
}

bool ZipReader::ExtractEntryToFile(const base::FilePath& output_path,
                                   ExtractionJournal* journal) {
  if (!HasEntry() || !current_entry_info_)
    return false;
  if (current_entry_info_->is_directory())
    return journal->CreateDirectoryTree(output_path);

  if (unzOpenCurrentFile(zip_file_.get()) != UNZ_OK)
    return false;
  bool copied = CopyCurrentEntryTo(output_path, journal);
  // A false CRC shows here only when the whole entry has been read.
  bool intact = unzCloseCurrentFile(zip_file_.get()) == UNZ_OK;
  return copied && intact;
}

bool ZipReader::CopyCurrentEntryTo(const base::FilePath& output_path,
                                   ExtractionJournal* journal) {
  if (!journal->CreateDirectoryTree(output_path.DirName()))
    return false;
  base::File output = journal->OpenForReplacement(
      output_path, current_entry_info_->is_owner_executable());
  if (!output.IsValid())
    return false;

  char buffer[kCopyBufferSize];
  for (;;) {
    int read = unzReadCurrentFile(zip_file_.get(), buffer, sizeof(buffer));
    if (read == 0)
      break;
    if (read < 0 || !output.WriteAll(buffer, static_cast<size_t>(read)))
      return false;
  }
  return output.Close();
}

bool ZipReader::MoveToNextEntry() {
  if (!HasEntry())
    return false;
  unz_file_pos position;
  if (unzGetFilePos(zip_file_.get(), &position) != UNZ_OK)
    return false;
  if (position.num_of_file + 1 >= static_cast<uLong>(num_entries_)) {
    at_end_ = true;
  } else if (unzGoToNextFile(zip_file_.get()) != UNZ_OK) {
    return false;
  }
  current_entry_info_.reset();
  return true;
}

void ZipReader::CloseArchive() {
  zip_file_.reset();
  num_entries_ = 0;
  at_end_ = false;
  current_entry_info_.reset();
}

}  // namespace zip
