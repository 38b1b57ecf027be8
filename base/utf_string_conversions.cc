#include "base/utf_string_conversions.h"

#include <cstdint>

namespace base {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUTF16(char32_t code_point, std::u16string* out) {
  if (code_point < 0x10000) {
    out->push_back(static_cast<char16_t>(code_point));
    return;
  }
  code_point -= 0x10000;
  out->push_back(static_cast<char16_t>(0xD800 + (code_point >> 10)));
  out->push_back(static_cast<char16_t>(0xDC00 + (code_point & 0x3FF)));
}

void AppendUTF8(char32_t code_point, std::string* out) {
  if (code_point < 0x80) {
    out->push_back(static_cast<char>(code_point));
  } else if (code_point < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (code_point >> 6)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else if (code_point < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (code_point >> 12)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (code_point >> 18)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  }
}

// Length of the sequence a lead byte starts and the allowed range of its
// second byte, which is what excludes overlong forms, surrogates and code
// points above U+10FFFF. Length 0 marks a byte that cannot lead.
struct LeadByte {
  int length;
  uint8_t second_min;
  uint8_t second_max;
};

LeadByte ClassifyLead(uint8_t b) {
  if (b >= 0xC2 && b <= 0xDF)
    return {2, 0x80, 0xBF};
  if (b == 0xE0)
    return {3, 0xA0, 0xBF};
  if (b == 0xED)
    return {3, 0x80, 0x9F};
  if (b >= 0xE1 && b <= 0xEF)
    return {3, 0x80, 0xBF};
  if (b == 0xF0)
    return {4, 0x90, 0xBF};
  if (b >= 0xF1 && b <= 0xF3)
    return {4, 0x80, 0xBF};
  if (b == 0xF4)
    return {4, 0x80, 0x8F};
  return {0, 0, 0};
}

}  // namespace

std::u16string UTF8ToUTF16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    uint8_t lead = static_cast<uint8_t>(utf8[i]);
    if (lead < 0x80) {
      out.push_back(lead);
      ++i;
      continue;
    }
    LeadByte info = ClassifyLead(lead);
    if (info.length == 0) {
      AppendUTF16(kReplacement, &out);
      ++i;
      continue;
    }
    char32_t code_point = lead & (0xFF >> (info.length + 1));
    int taken = 1;
    for (; taken < info.length && i + taken < utf8.size(); ++taken) {
      uint8_t b = static_cast<uint8_t>(utf8[i + taken]);
      uint8_t low = taken == 1 ? info.second_min : 0x80;
      uint8_t high = taken == 1 ? info.second_max : 0xBF;
      if (b < low || b > high)
        break;
      code_point = (code_point << 6) | (b & 0x3F);
    }
    AppendUTF16(taken == info.length ? code_point : kReplacement, &out);
    i += taken;
  }
  return out;
}

std::string UTF16ToUTF8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (size_t i = 0; i < utf16.size(); ++i) {
    char32_t unit = utf16[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < utf16.size() &&
        utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
      char32_t low = utf16[++i];
      AppendUTF8(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), &out);
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      AppendUTF8(kReplacement, &out);
    } else {
      AppendUTF8(unit, &out);
    }
  }
  return out;
}

std::u16string ASCIIToUTF16(std::string_view ascii) {
  std::u16string out;
  out.reserve(ascii.size());
  for (char c : ascii)
    out.push_back(static_cast<unsigned char>(c));
  return out;
}

}  // namespace base
