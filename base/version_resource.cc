#include "base/version_resource.h"

#include <algorithm>
#include <utility>

namespace base {

namespace {

// Each entry starts with wLength, wValueLength and wType.
constexpr size_t kHeaderSize = 6;
// wType of an entry whose value is text; its wValueLength counts characters.
constexpr uint16_t kTextType = 1;

size_t Align4(size_t offset) {
  return (offset + 3) & ~size_t{3};
}

char16_t AsciiLower(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

}  // namespace

VersionResource::VersionResource(std::vector<uint8_t> block)
    : block_(std::move(block)) {}

uint16_t VersionResource::Load16(size_t offset) const {
  return static_cast<uint16_t>(block_[offset] | (block_[offset + 1] << 8));
}

bool VersionResource::ParseNode(size_t begin, size_t limit, Node* node) const {
  if (limit > block_.size() || begin > limit || limit - begin < kHeaderSize)
    return false;
  const size_t length = Load16(begin);
  if (length < kHeaderSize || length > limit - begin)
    return false;
  const size_t end = begin + length;
  const size_t value_length = Load16(begin + 2);
  const bool text = Load16(begin + 4) == kTextType;

  size_t key_end = begin + kHeaderSize;
  while (true) {
    if (end - key_end < 2)
      return false;  // The key runs past its entry.
    if (Load16(key_end) == 0)
      break;
    key_end += 2;
  }
  node->end = end;
  node->key_begin = begin + kHeaderSize;
  node->key_end = key_end;
  // Values and children are aligned to 4 bytes from the start of the block;
  // an entry may end before the padding, leaving an empty value.
  node->value_begin = std::min(Align4(key_end + 2), end);
  const size_t value_bytes = text ? value_length * 2 : value_length;
  node->value_end =
      node->value_begin + std::min(value_bytes, end - node->value_begin);
  node->children_begin = std::min(Align4(node->value_begin + value_bytes), end);
  return true;
}

bool VersionResource::KeyEquals(const Node& node,
                                std::u16string_view key) const {
  if ((node.key_end - node.key_begin) / 2 != key.size())
    return false;
  for (size_t i = 0; i < key.size(); ++i) {
    const char16_t c = static_cast<char16_t>(Load16(node.key_begin + 2 * i));
    if (AsciiLower(c) != AsciiLower(key[i]))
      return false;
  }
  return true;
}

bool VersionResource::FindChild(const Node& parent,
                                std::u16string_view key,
                                Node* child) const {
  size_t position = parent.children_begin;
  // Each entry is at least a header long, so the walk always moves forward.
  while (position < parent.end && parent.end - position >= kHeaderSize) {
    Node candidate;
    if (!ParseNode(position, parent.end, &candidate))
      return false;
    if (KeyEquals(candidate, key)) {
      *child = candidate;
      return true;
    }
    position = Align4(candidate.end);
  }
  return false;
}

bool VersionResource::FindNode(std::u16string_view sub_block,
                               Node* node) const {
  Node current;
  if (!ParseNode(0, block_.size(), &current))
    return false;
  size_t start = 0;
  while (start <= sub_block.size()) {
    size_t stop = sub_block.find(u'\\', start);
    if (stop == std::u16string_view::npos)
      stop = sub_block.size();
    if (stop > start) {
      Node child;
      if (!FindChild(current, sub_block.substr(start, stop - start), &child))
        return false;
      current = child;
    }
    start = stop + 1;
  }
  *node = current;
  return true;
}

bool VersionResource::Query(std::u16string_view sub_block,
                            size_t* offset,
                            size_t* size) const {
  Node node;
  if (!FindNode(sub_block, &node))
    return false;
  *offset = node.value_begin;
  *size = node.value_end - node.value_begin;
  return true;
}

bool VersionResource::QueryString(std::u16string_view sub_block,
                                  std::u16string* text) const {
  Node node;
  if (!FindNode(sub_block, &node))
    return false;
  // Read to the NUL rather than trusting wValueLength, which some resource
  // compilers write in bytes; the entry's end still bounds the read.
  std::u16string result;
  for (size_t at = node.value_begin; node.end - at >= 2; at += 2) {
    const char16_t c = static_cast<char16_t>(Load16(at));
    if (c == 0)
      break;
    result.push_back(c);
  }
  *text = std::move(result);
  return true;
}

bool VersionResource::FirstTranslation(uint16_t* language,
                                       uint16_t* code_page) const {
  size_t offset = 0;
  size_t size = 0;
  if (!Query(u"\\VarFileInfo\\Translation", &offset, &size) || size < 4)
    return false;
  *language = Load16(offset);
  *code_page = Load16(offset + 2);
  return true;
}

}  // namespace base
