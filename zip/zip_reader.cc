// minizip reads the archive through file functions of this program over
// base::File, so that the archive is opened by its UTF-16 path the same way
// on every system.
#include "zip/zip_reader.h"

#include <unzip.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "base/file.h"
#include "base/sys_string_conversions.h"
#include "base/utf_string_conversions.h"

namespace zip {

namespace {

// Extracted data is written in blocks of up to this size.
constexpr size_t kBlockSize = 1024 * 1024;
// The archive is read through windows of this size. minizip reads headers a
// few bytes at a time and alternates between the central directory and the
// entries' data, so two windows serve both without reading either again.
constexpr size_t kWindowSize = 256 * 1024;
constexpr int kWindowCount = 2;

// A stretch of the archive held in memory.
struct Window {
  std::vector<char> bytes;
  int64_t start = 0;      // offset in the archive of bytes[0]
  size_t length = 0;      // bytes valid
  uint64_t last_use = 0;  // for choosing which window to refill
};

// What the open function hands minizip for one opened archive file.
struct ArchiveStream {
  base::File file;
  int64_t size = 0;
  int64_t position = 0;
  int last_error = 0;
  Window windows[kWindowCount];
  uint64_t uses = 0;
};

// Copies what |window| holds at the stream's position into |buffer|; the
// count copied.
size_t CopyFromWindow(ArchiveStream* stream,
                      Window* window,
                      char* buffer,
                      size_t size) {
  if (stream->position < window->start ||
      stream->position >=
          window->start + static_cast<int64_t>(window->length)) {
    return 0;
  }
  size_t offset = static_cast<size_t>(stream->position - window->start);
  size_t count = std::min(size, window->length - offset);
  memcpy(buffer, window->bytes.data() + offset, count);
  window->last_use = ++stream->uses;
  return count;
}

// Reads up to |size| bytes at the stream's position straight from the file.
int64_t ReadAt(ArchiveStream* stream, char* buffer, size_t size) {
  if (stream->file.Seek(base::File::Whence::kBegin, stream->position) < 0)
    return -1;
  int64_t total = 0;
  while (total < static_cast<int64_t>(size)) {
    int64_t read =
        stream->file.Read(buffer + total, size - static_cast<size_t>(total));
    if (read < 0)
      return -1;
    if (read == 0)
      break;
    total += read;
  }
  return total;
}

// Fills the least recently used window from the stream's position; false on
// a read error, and when nothing is left to read there (a file that shrank
// after it was opened), so that a reader never waits on an empty window.
bool Refill(ArchiveStream* stream) {
  Window* window = &stream->windows[0];
  for (Window& candidate : stream->windows) {
    if (candidate.last_use < window->last_use)
      window = &candidate;
  }
  window->bytes.resize(kWindowSize);
  int64_t read = ReadAt(stream, window->bytes.data(), kWindowSize);
  if (read <= 0)
    return false;
  window->start = stream->position;
  window->length = static_cast<size_t>(read);
  window->last_use = ++stream->uses;
  return true;
}

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
  int64_t size = file.Seek(base::File::Whence::kEnd, 0);
  if (size < 0)
    return nullptr;
  auto* stream = new (std::nothrow) ArchiveStream;
  if (!stream)
    return nullptr;
  stream->file = std::move(file);
  stream->size = size;
  return stream;
}

uLong ReadArchiveStream(voidpf,
                        voidpf opaque_stream,
                        void* buffer,
                        uLong size) {
  auto* stream = static_cast<ArchiveStream*>(opaque_stream);
  char* out = static_cast<char*>(buffer);
  size_t left = size;
  // minizip takes a short read for the end of the file, so fill the request.
  while (left > 0 && stream->position < stream->size) {
    size_t copied = 0;
    for (Window& window : stream->windows) {
      copied = CopyFromWindow(stream, &window, out, left);
      if (copied)
        break;
    }
    if (!copied && left >= kWindowSize) {
      // Large reads go straight to the caller's buffer.
      int64_t read = ReadAt(stream, out, left);
      if (read < 0)
        stream->last_error = 1;
      if (read <= 0)
        break;
      copied = static_cast<size_t>(read);
    } else if (!copied) {
      if (!Refill(stream)) {
        stream->last_error = 1;
        break;
      }
      continue;
    }
    out += copied;
    left -= copied;
    stream->position += static_cast<int64_t>(copied);
  }
  return static_cast<uLong>(size - left);
}

uLong WriteArchiveStream(voidpf, voidpf opaque_stream, const void*, uLong) {
  static_cast<ArchiveStream*>(opaque_stream)->last_error = 1;
  return 0;
}

ZPOS64_T TellArchiveStream(voidpf, voidpf opaque_stream) {
  return static_cast<ZPOS64_T>(
      static_cast<ArchiveStream*>(opaque_stream)->position);
}

long SeekArchiveStream(voidpf,
                       voidpf opaque_stream,
                       ZPOS64_T offset,
                       int origin) {
  auto* stream = static_cast<ArchiveStream*>(opaque_stream);
  int64_t base;
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
      base = 0;
      break;
    case ZLIB_FILEFUNC_SEEK_CUR:
      base = stream->position;
      break;
    case ZLIB_FILEFUNC_SEEK_END:
      base = stream->size;
      break;
    default:
      return -1;
  }
  // minizip hands negative offsets from the end as huge unsigned numbers.
  int64_t target = base + static_cast<int64_t>(offset);
  if (target < 0) {
    stream->last_error = 1;
    return -1;
  }
  stream->position = target;
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

uint32_t LittleEndian(const std::string& bytes, size_t at, int width) {
  uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i)
    value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// The UTF-8 name of the Info-ZIP Unicode Path field in an entry's extra
// data |extra|, which Windows zip tools add beside a name stored in the
// desktop's code page; empty when there is none, or when it was not written
// for |raw_name| (its checksum of the stored name differs: a tool that
// renamed the entry left it behind).
std::string UnicodePathName(const std::string& extra,
                            const std::string& raw_name) {
  constexpr uint32_t kUnicodePathField = 0x7075;
  constexpr uint32_t kFieldVersion = 1;
  for (size_t at = 0; at + 4 <= extra.size();) {
    const uint32_t id = LittleEndian(extra, at, 2);
    const size_t size = LittleEndian(extra, at + 2, 2);
    if (at + 4 + size > extra.size())
      return std::string();
    if (id == kUnicodePathField) {
      if (size < 5 || LittleEndian(extra, at + 4, 1) != kFieldVersion ||
          LittleEndian(extra, at + 5, 4) !=
              crc32(0, reinterpret_cast<const Bytef*>(raw_name.data()),
                    static_cast<uInt>(raw_name.size()))) {
        return std::string();
      }
      return extra.substr(at + 9, size - 5);
    }
    at += 4 + size;
  }
  return std::string();
}

// The entry's name in UTF-8: the Unicode Path field's when it belongs to
// the stored name; the stored name when it is flagged UTF-8 (bit 11 of the
// flags) or is valid UTF-8; otherwise the stored name read in the system's
// code page, as Windows zip tools write it without saying so. A name that
// is neither stays as stored, and is refused as not UTF-8.
std::string EntryName(const std::string& raw_name,
                      const std::string& extra,
                      bool utf8_flag) {
  std::string unicode = UnicodePathName(extra, raw_name);
  if (!unicode.empty())
    return unicode;
  if (utf8_flag || IsValidUTF8(raw_name))
    return raw_name;
  const std::u16string decoded = base::AnsiToWide(raw_name);
  if (base::WideToAnsi(decoded) != raw_name)
    return raw_name;
  return base::UTF16ToUTF8(decoded);
}

}  // namespace

ZipEntryInfo::ZipEntryInfo(const std::string& raw_name,
                           bool owner_executable,
                           const ZipEntryStorage& storage)
    : path_(base::UTF8ToUTF16(raw_name)),
      is_dir_(!raw_name.empty() && raw_name.back() == '/'),
      unsafe_(raw_name.find("..") != std::string::npos),
      owner_executable_(owner_executable),
      storage_(storage) {
  // A zero byte would end the name early wherever it is handed on.
  if (!IsValidUTF8(raw_name) || raw_name.find('\0') != std::string::npos)
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
  // The name is read whole, however long: a name cut short could merge
  // entries or install a file under another name.
  unz_file_info64 file_info;
  if (unzGetCurrentFileInfo64(zip_file_.get(), &file_info, nullptr, 0, nullptr,
                              0, nullptr, 0) != UNZ_OK ||
      file_info.size_filename == 0) {
    return false;
  }
  std::string raw_name(file_info.size_filename, '\0');
  std::string extra(file_info.size_file_extra, '\0');
  if (unzGetCurrentFileInfo64(zip_file_.get(), &file_info, &raw_name[0],
                              raw_name.size(),
                              extra.empty() ? nullptr : &extra[0], extra.size(),
                              nullptr, 0) != UNZ_OK) {
    return false;
  }
  constexpr unsigned long kUtf8NameFlag = 1 << 11;
  const std::string name =
      EntryName(raw_name, extra, file_info.flag & kUtf8NameFlag);

  // Archives made on Unix (system 3 in the "version made by" field) keep
  // the mode bits in the upper half of the external attributes.
  constexpr unsigned long kMadeOnUnix = 3;
  constexpr unsigned long kOwnerExecute = 0100;
  bool owner_executable = (file_info.version >> 8) == kMadeOnUnix &&
                          ((file_info.external_fa >> 16) & kOwnerExecute);
  ZipEntryStorage storage;
  storage.compression_method =
      static_cast<uint16_t>(file_info.compression_method);
  // Bit 0 of the general purpose flags marks encrypted data.
  storage.encrypted = file_info.flag & 1;
  storage.original_size = file_info.uncompressed_size;
  current_entry_info_ =
      std::make_unique<ZipEntryInfo>(name, owner_executable, storage);
  return true;
}

bool ZipReader::ExtractCurrentEntryTo(base::File* output) {
  if (!HasEntry() || !current_entry_info_ ||
      current_entry_info_->is_directory())
    return false;
  if (unzOpenCurrentFile(zip_file_.get()) != UNZ_OK)
    return false;
  bool copied = CopyCurrentEntryTo(output);
  // minizip compares the checksum here, once the whole entry has been read.
  bool intact = unzCloseCurrentFile(zip_file_.get()) == UNZ_OK;
  return copied && intact;
}

bool ZipReader::CopyCurrentEntryTo(base::File* output) {
  block_.resize(kBlockSize);
  uint64_t total = 0;
  for (;;) {
    int read = unzReadCurrentFile(zip_file_.get(), block_.data(),
                                  static_cast<unsigned>(block_.size()));
    if (read == 0)
      break;
    if (read < 0 || !output->WriteAll(block_.data(), static_cast<size_t>(read)))
      return false;
    total += static_cast<uint64_t>(read);
  }
  // Data that ends early is never checksummed by minizip.
  return total == current_entry_info_->storage().original_size;
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

bool ZipReader::Rewind() {
  if (!zip_file_)
    return false;
  current_entry_info_.reset();
  at_end_ = num_entries_ == 0;
  return at_end_ || unzGoToFirstFile(zip_file_.get()) == UNZ_OK;
}

void ZipReader::CloseArchive() {
  zip_file_.reset();
  num_entries_ = 0;
  at_end_ = false;
  current_entry_info_.reset();
}

}  // namespace zip
