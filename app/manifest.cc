#include "app/manifest.h"

#include <rapidxml/rapidxml.hpp>

#include "app/http_transfer.h"
#include "app/startup_state.h"
#include "base/string_util.h"
#include "base/version.h"

namespace {

// The parser recurses once per nesting level. A manifest nests two or three
// levels deep; refusing anything that could open more than this keeps a
// hostile body from exhausting the stack.
constexpr int kMaxNestingDepth = 256;

// An upper bound of the element nesting of |body|: every '<' that does not
// start a closing tag, a comment, a declaration or a processing instruction
// opens a level, and every "</" or "/>" closes one.
bool NestingWithinLimit(const std::string& body) {
  int depth = 0;
  for (size_t i = 0; i + 1 < body.size(); ++i) {
    if (body[i] == '<') {
      char next = body[i + 1];
      if (next == '/') {
        --depth;
      } else if (next != '!' && next != '?' && ++depth > kMaxNestingDepth) {
        return false;
      }
    } else if (body[i] == '/' && body[i + 1] == '>') {
      --depth;
    }
  }
  return true;
}

// Copies the value of the first child |name| of |update| into |out|; leaves
// |out| as it was when there is no such child.
bool CopyChildValue(rapidxml::xml_node<>* update, const char* name,
                    std::string* out) {
  rapidxml::xml_node<>* child = update->first_node(name);
  if (!child)
    return false;
  out->assign(child->value(), child->value_size());
  return true;
}

}  // namespace

bool CheckManifest(const std::string& url) {
  std::string body;
  if (!FetchToString(url, &body))
    return false;
  return ParseManifest(&body);
}

bool ParseManifest(std::string* body) {
  if (body->empty() || !NestingWithinLimit(*body))
    return false;
  rapidxml::xml_document<> document;
  try {
    document.parse<0>(&(*body)[0]);
  } catch (const rapidxml::parse_error&) {
    return false;
  }
  rapidxml::xml_node<>* update = document.first_node("update");
  if (!update)
    return false;

  std::string version;
  if (CopyChildValue(update, "version", &version))
    base::ReplaceCharacters(version, ",", ".", &g_updateInfo.version);
  CopyChildValue(update, "md5", &g_updateInfo.md5);
  CopyChildValue(update, "file_url", &g_updateInfo.file_url);
  CopyChildValue(update, "compress", &g_updateInfo.compress);
  return AcceptManifest(g_updateInfo);
}

bool AcceptManifest(const UpdateInfo& info) {
  return base::Version(info.version).IsValid() && !info.md5.empty() &&
         !info.file_url.empty() && base::HasPrefix(info.compress, "zip", false);
}
