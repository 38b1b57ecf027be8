#include "base/file_version_block.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string_view>
#include <utility>
#include <vector>

#include "base/file_path.h"
#include "base/image_version_reader.h"
#include "base/scoped_fd.h"

namespace base {

namespace {

constexpr uint16_t kEnglishUnitedStates = 0x0409;

// A regular file read with pread; its size is taken once, when opened, and a
// file that shrinks afterwards makes the reads fail rather than run short.
class FileImageSource : public ImageSource {
 public:
  FileImageSource(ScopedFd fd, uint64_t size)
      : fd_(std::move(fd)), size_(size) {}

  uint64_t size() const override { return size_; }

  bool ReadAt(uint64_t offset, void* buffer, size_t length) const override {
    if (offset > size_ || length > size_ - offset)
      return false;
    uint8_t* out = static_cast<uint8_t*>(buffer);
    while (length > 0) {
      const ssize_t got =
          pread(fd_.get(), out, length, static_cast<off_t>(offset));
      if (got < 0 && errno == EINTR)
        continue;
      if (got <= 0)
        return false;
      out += got;
      offset += static_cast<uint64_t>(got);
      length -= static_cast<size_t>(got);
    }
    return true;
  }

 private:
  ScopedFd fd_;
  uint64_t size_;
};

// Windows language ids of the locales a desktop is likely to name. A locale
// naming only a language takes that language's first entry.
constexpr struct {
  const char* locale;
  uint16_t language;
} kLanguages[] = {
    {"zh_CN", 0x0804}, {"zh_TW", 0x0404}, {"zh_HK", 0x0c04}, {"zh_SG", 0x1004},
    {"en_US", 0x0409}, {"en_GB", 0x0809}, {"en_AU", 0x0c09}, {"en_CA", 0x1009},
    {"ja_JP", 0x0411}, {"ko_KR", 0x0412}, {"de_DE", 0x0407}, {"fr_FR", 0x040c},
    {"es_ES", 0x0c0a}, {"it_IT", 0x0410}, {"pt_BR", 0x0416}, {"pt_PT", 0x0816},
    {"ru_RU", 0x0419},
};

// The locale that governs messages, as the C library would choose it.
std::string_view MessagesLocale() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = getenv(variable);
    if (value && *value)
      return value;
  }
  return std::string_view();
}

}  // namespace

bool ReadFileVersionBlock(const FilePath& path, std::vector<uint8_t>* block) {
  // Non-blocking, so that a FIFO in the host's place cannot stall the open;
  // anything but a regular file is refused below.
  ScopedFd fd(
      open(path.AsSystemPath().c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat info;
  if (!fd.is_valid() || fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
    return false;
  FileImageSource image(std::move(fd), static_cast<uint64_t>(info.st_size));
  return ReadImageVersionResource(image, block);
}

uint16_t UserDefaultLanguage() {
  std::string_view locale = MessagesLocale();
  locale = locale.substr(0, locale.find_first_of(".@"));
  for (const auto& entry : kLanguages) {
    if (locale == entry.locale)
      return entry.language;
  }
  for (const auto& entry : kLanguages) {
    if (locale.size() == 2 &&
        std::string_view(entry.locale).substr(0, 2) == locale)
      return entry.language;
  }
  return kEnglishUnitedStates;
}

}  // namespace base
