#include "app/manifest.h"

#include <string.h>

#include <algorithm>

#include <rapidxml/rapidxml.hpp>

#include "app/http_transfer.h"
#include "app/manifest_signature.h"
#include "app/startup_state.h"
#include "base/logging.h"
#include "base/string_util.h"
#include "base/utc_time.h"
#include "base/version.h"

namespace {

// Copies the value of the first child |name| of |update| into |out|; leaves
// |out| as it was when there is no such child.
bool CopyChildValue(rapidxml::xml_node<>* update,
                    const char* name,
                    std::string* out) {
  rapidxml::xml_node<>* child = update->first_node(name);
  if (!child)
    return false;
  out->assign(child->value(), child->value_size());
  return true;
}

// 64 hexadecimal digits, in either case.
bool IsSha256Text(const std::string& text) {
  if (text.size() != 64)
    return false;
  for (char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') ||
          (c >= 'A' && c <= 'F')))
      return false;
  }
  return true;
}

// The rules only a signed build applies; false with |reason| when one fails.
bool AcceptSignedManifest(const UpdateInfo& info,
                          int64_t now,
                          std::string* reason) {
  int64_t expires = 0;
  if (info.sha256.empty())
    *reason = "manifest has no sha256";
  else if (info.size.empty())
    *reason = "manifest has no size";
  else if (info.product != kProductName)
    *reason = "manifest is not for " + std::string(kProductName);
  else if (!info.expires.empty() && !base::ParseUtcTime(info.expires, &expires))
    *reason = "manifest expiry is malformed";
  else if (!info.expires.empty() && expires <= now)
    *reason = "manifest expired";
  else
    return true;
  return false;
}

// The nesting reader. rapidxml's parse<0> recurses once per element level,
// so a hostile body could nest deep enough to exhaust the stack. The reader
// follows parse<0> step by step, with a counter where the parser recurses,
// and so counts the nesting the parser will reach: text inside comments,
// CDATA sections, processing instructions, the document type declaration
// and quoted attribute values neither opens nor closes anything. It uses the
// parser's own character tables and reads the untouched body, which is what
// the parser sees as well: the parser writes into its buffer only where it
// has already read (zero terminators; a decoded reference is never longer
// than its source). Where the parser would raise parse_error inside a token
// (a malformed reference) the reader reads on, which can only count more;
// where the reader cannot follow the body it gives up and the body is
// refused, as the parser would refuse it. A body is parsed only when the
// reader reached its end within kMaxManifestNesting levels, so the parser
// never recurses deeper than that.

using CharacterTables = rapidxml::internal::lookup_tables<0>;

// The parser's own character classes, so that blanks, names and text end
// exactly where it ends them.
bool InTable(const unsigned char* table, char c) {
  return table[static_cast<unsigned char>(c)] != 0;
}

void SkipAll(const unsigned char* table, const char*& p) {
  while (InTable(table, *p))
    ++p;
}

// Moves |p| just past the first |end| at or after it; false when the data
// ends first.
bool SkipPast(const char*& p, const char* end) {
  const char* found = strstr(p, end);
  if (!found)
    return false;
  p = found + strlen(end);
  return true;
}

// From after "<!DOCTYPE " to just past the closing '>': the internal subset
// in brackets is skipped by counting brackets only, quotes and markup in it
// are not looked at.
bool SkipDocumentType(const char*& p) {
  while (*p != '>') {
    if (*p == '\0')
      return false;
    if (*p != '[') {
      ++p;
      continue;
    }
    ++p;
    for (int brackets = 1; brackets > 0; ++p) {
      if (*p == '[')
        ++brackets;
      else if (*p == ']')
        --brackets;
      else if (*p == '\0')
        return false;
    }
  }
  ++p;
  return true;
}

// From after an element's name and the blanks behind it to the end of its
// attributes. A value runs to its closing quote whatever it holds: the
// parser decodes references in it, but they are made of letters, digits,
// '#' and ';' and never take the quote.
bool SkipAttributes(const char*& p) {
  while (InTable(CharacterTables::lookup_attribute_name, *p)) {
    SkipAll(CharacterTables::lookup_attribute_name, p);
    SkipAll(CharacterTables::lookup_whitespace, p);
    if (*p != '=')
      return false;
    ++p;
    SkipAll(CharacterTables::lookup_whitespace, p);
    char quote = *p;
    if (quote != '\'' && quote != '"')
      return false;
    const char* closing = strchr(p + 1, quote);
    if (!closing)
      return false;
    p = closing + 1;
    SkipAll(CharacterTables::lookup_whitespace, p);
  }
  return true;
}

// From after the '<' of a node that is not a closing tag to its end: an
// element's start tag, or a whole declaration, processing instruction,
// comment, CDATA section or document type declaration. |opens| is set when
// an element's contents follow.
bool SkipNode(const char*& p, bool* opens) {
  *opens = false;
  if (*p == '?') {
    // An XML declaration or a processing instruction: up to the first "?>".
    ++p;
    if ((p[0] == 'x' || p[0] == 'X') && (p[1] == 'm' || p[1] == 'M') &&
        (p[2] == 'l' || p[2] == 'L') &&
        InTable(CharacterTables::lookup_whitespace, p[3])) {
      p += 4;
    }
    return SkipPast(p, "?>");
  }
  if (*p == '!') {
    if (p[1] == '-' && p[2] == '-') {
      p += 3;
      return SkipPast(p, "-->");
    }
    if (strncmp(p + 1, "[CDATA[", 7) == 0) {
      p += 8;
      return SkipPast(p, "]]>");
    }
    if (strncmp(p + 1, "DOCTYPE", 7) == 0 &&
        InTable(CharacterTables::lookup_whitespace, p[8])) {
      p += 9;
      return SkipDocumentType(p);
    }
    // Any other "<!" construct runs to the next '>'.
    const char* closing = strchr(p + 1, '>');
    if (!closing)
      return false;
    p = closing + 1;
    return true;
  }
  const char* name = p;
  SkipAll(CharacterTables::lookup_node_name, p);
  if (p == name)
    return false;
  SkipAll(CharacterTables::lookup_whitespace, p);
  if (!SkipAttributes(p))
    return false;
  if (*p == '>') {
    ++p;
    *opens = true;
    return true;
  }
  if (p[0] == '/' && p[1] == '>') {
    p += 2;
    return true;
  }
  return false;
}

}  // namespace

int ManifestNestingDepth(const char* body) {
  constexpr int kRefused = -1;
  const char* p = body;
  if (p[0] == '\xEF' && p[1] == '\xBB' && p[2] == '\xBF')
    p += 3;
  int open = 0;  // elements whose contents are being read
  int deepest = 0;
  for (;;) {
    SkipAll(CharacterTables::lookup_whitespace, p);
    if (open == 0) {
      // Between top-level nodes only blanks may stand.
      if (*p == '\0')
        return deepest;
      if (*p != '<')
        return kRefused;
    } else {
      // Character data runs to the next '<'; a reference never holds one.
      SkipAll(CharacterTables::lookup_text, p);
      if (*p == '\0')
        return kRefused;
      if (p[1] == '/') {
        // A closing tag; its name is not compared with the start tag's.
        p += 2;
        SkipAll(CharacterTables::lookup_node_name, p);
        SkipAll(CharacterTables::lookup_whitespace, p);
        if (*p != '>')
          return kRefused;
        ++p;
        --open;
        continue;
      }
    }
    ++p;
    // Each element is one level deeper in the parser, whether or not it has
    // contents; stop before following it any deeper than allowed.
    bool element = *p != '?' && *p != '!';
    if (element && open == kMaxManifestNesting)
      return kMaxManifestNesting + 1;
    bool opens = false;
    if (!SkipNode(p, &opens))
      return kRefused;
    if (element)
      deepest = std::max(deepest, open + 1);
    if (opens)
      ++open;
  }
}

bool CheckManifest(const std::string& url,
                   const std::vector<std::string>& trusted_keys) {
  std::string body;
  std::string reason;
  if (!FetchToString(url, &body)) {
    reason = "manifest not fetched";
  } else if (ParseManifest(&body, trusted_keys, &reason)) {
    return true;
  }
  // An unsigned build refuses in silence, as updaters always did.
  if (!trusted_keys.empty())
    LOG(ERROR) << "Manifest rejected: " << reason;
  return false;
}

bool ParseManifest(std::string* body,
                   const std::vector<std::string>& trusted_keys,
                   std::string* reason) {
  *reason = "manifest does not parse";
  if (body->empty())
    return false;
  // The signature covers the bytes as received: check it before the
  // parser writes into them.
  const bool signed_build = !trusted_keys.empty();
  if (signed_build && !VerifyManifestSignature(*body, trusted_keys, reason))
    return false;
  int depth = ManifestNestingDepth(body->c_str());
  if (depth < 0 || depth > kMaxManifestNesting)
    return false;
  rapidxml::xml_document<> document;
  try {
    document.parse<0>(&(*body)[0]);
  } catch (const rapidxml::parse_error&) {
    return false;
  }
  rapidxml::xml_node<>* update = document.first_node("update");
  if (!update) {
    *reason = "manifest has no update element";
    return false;
  }

  std::string version;
  if (CopyChildValue(update, "version", &version))
    base::ReplaceCharacters(version, ",", ".", &g_updateInfo.version);
  CopyChildValue(update, "md5", &g_updateInfo.md5);
  CopyChildValue(update, "file_url", &g_updateInfo.file_url);
  CopyChildValue(update, "compress", &g_updateInfo.compress);
  CopyChildValue(update, "sha256", &g_updateInfo.sha256);
  CopyChildValue(update, "size", &g_updateInfo.size);
  CopyChildValue(update, "product", &g_updateInfo.product);
  CopyChildValue(update, "expires", &g_updateInfo.expires);
  g_updateInfo.signed_by_trusted_key = signed_build;
  return AcceptManifest(g_updateInfo, signed_build, base::UtcNowSeconds(),
                        reason);
}

bool AcceptManifest(const UpdateInfo& info,
                    bool signed_build,
                    int64_t now,
                    std::string* reason) {
  uint64_t size = 0;
  if (!base::Version(info.version).IsValid() || info.md5.empty() ||
      info.file_url.empty() || !base::HasPrefix(info.compress, "zip", false)) {
    *reason = "manifest lacks a valid version, md5, file_url or compress";
  } else if (!info.sha256.empty() && !IsSha256Text(info.sha256)) {
    *reason = "manifest sha256 is malformed";
  } else if (!info.size.empty() && !ParseManifestSize(info.size, &size)) {
    *reason = "manifest size is malformed";
  } else {
    return !signed_build || AcceptSignedManifest(info, now, reason);
  }
  return false;
}

bool ParseManifestSize(const std::string& text, uint64_t* size) {
  if (text.empty())
    return false;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      return false;
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    if (value > (UINT64_MAX - digit) / 10)
      return false;
    value = value * 10 + digit;
  }
  *size = value;
  return true;
}
