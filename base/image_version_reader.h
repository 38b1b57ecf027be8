// Finds the version resource (RT_VERSION, first name, first language) in a
// PE image's resource section or in an ELF image's ".rsrc" section laid out
// the same way. Every read is checked against the image's size, so a
// truncated or hostile image yields no resource. Stateless; any thread.
#ifndef BASE_IMAGE_VERSION_READER_H_
#define BASE_IMAGE_VERSION_READER_H_

#include <stddef.h>
#include <stdint.h>

#include <vector>

namespace base {

// Random-access bytes of an image: a file or a buffer.
class ImageSource {
 public:
  virtual ~ImageSource() = default;
  virtual uint64_t size() const = 0;
  // Reads exactly |length| bytes at |offset|; false when any of them lies
  // past the end or the read fails.
  virtual bool ReadAt(uint64_t offset, void* buffer, size_t length) const = 0;
};

// An image held in memory; the caller keeps |data| alive.
class MemoryImageSource : public ImageSource {
 public:
  MemoryImageSource(const uint8_t* data, size_t size)
      : data_(data), size_(size) {}
  uint64_t size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* buffer, size_t length) const override;

 private:
  const uint8_t* data_;
  size_t size_;
};

// Copies the version resource of |image| into |block|. False, with |block|
// untouched, when the image is neither a PE nor an ELF image, has no version
// resource, or any structure on the way lies outside the image.
bool ReadImageVersionResource(const ImageSource& image,
                              std::vector<uint8_t>* block);

}  // namespace base

#endif  // BASE_IMAGE_VERSION_READER_H_
