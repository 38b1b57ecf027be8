// Read-only view of a Windows version resource block (VS_VERSIONINFO) that
// answers the same sub-block queries as the system's version API, with every
// read checked against the block. Owns its copy of the block; immutable after
// construction, so any thread may query it. Move-only.
#ifndef BASE_VERSION_RESOURCE_H_
#define BASE_VERSION_RESOURCE_H_

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <string_view>
#include <vector>

namespace base {

class VersionResource {
 public:
  explicit VersionResource(std::vector<uint8_t> block);

  VersionResource(VersionResource&&) = default;
  VersionResource& operator=(VersionResource&&) = default;

  // Finds the value of |sub_block|, a backslash-separated path of keys such
  // as "\\" (the fixed file information), "\\VarFileInfo\\Translation" or
  // "\\StringFileInfo\\040904b0\\FileVersion"; keys compare without regard to
  // ASCII case. On success |offset| and |size| locate the value's bytes in
  // the block (size clamped to its entry); on failure they are untouched.
  bool Query(std::u16string_view sub_block, size_t* offset, size_t* size) const;

  // Like Query, for a text value: |text| receives the UTF-16 text up to its
  // terminating NUL or the end of its entry, whichever comes first.
  bool QueryString(std::u16string_view sub_block, std::u16string* text) const;

  // The first entry of "\\VarFileInfo\\Translation". False when the table is
  // missing or shorter than one entry.
  bool FirstTranslation(uint16_t* language, uint16_t* code_page) const;

 private:
  // One entry of the block's tree: header, key, value and children, as byte
  // offsets into the block. |end| never exceeds the parent's end.
  struct Node {
    size_t end;
    size_t key_begin;
    size_t key_end;  // At the key's terminating NUL.
    size_t value_begin;
    size_t value_end;
    size_t children_begin;
  };

  bool ParseNode(size_t begin, size_t limit, Node* node) const;
  bool FindChild(const Node& parent,
                 std::u16string_view key,
                 Node* child) const;
  bool FindNode(std::u16string_view sub_block, Node* node) const;
  bool KeyEquals(const Node& node, std::u16string_view key) const;
  uint16_t Load16(size_t offset) const;

  std::vector<uint8_t> block_;
};

}  // namespace base

#endif  // BASE_VERSION_RESOURCE_H_
