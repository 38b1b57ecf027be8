// Feeds arbitrary bodies to the manifest parser, in an unsigned build and in
// one that trusts a key: whatever a server sends must end as accepted or
// rejected, never as a crash or a hang, and within the stack that
// manifest_unittest tests. The nesting reader is held against the parser
// itself, which is why this file calls rapidxml too: where the parser can
// safely run unguarded, the nesting it builds must be the one the reader
// counted. The signature reader must find only what the body ends with.
#include <pthread.h>
#include <stddef.h>
#include <stdint.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include <rapidxml/rapidxml.hpp>

#include "app/manifest.h"
#include "app/manifest_signature.h"
#include "app/startup_state.h"

namespace {

// Each body is checked on a thread with this stack, the bound the unit test
// parses the deepest accepted manifest in. A reader that let a few thousand
// levels through would overflow it, so inputs of a few kilobytes already
// show such a fault; the main thread's megabytes would need far longer ones.
constexpr size_t kStackBytes = 256 << 10;

// The public key of RFC 8032's first test vector, whose secret key signed
// the seeds that carry a valid signature.
const std::vector<std::string> kTrustedKeys = {
    "11qYAYKxCrfVS/7TyWQHOg7hcvPapiMlrwIaaPcHURo="};

// Bodies up to this size nest at most a third as deep ("<a>" per level),
// which the parser takes within the stack above even unguarded.
constexpr size_t kUnguardedBytes = 2048;

// The deepest element nesting of a parsed document; leaves count.
int ElementDepth(rapidxml::xml_document<>* document) {
  int deepest = 0;
  int depth = 1;  // of |node|
  rapidxml::xml_node<>* node = document->first_node();
  while (node) {
    if (node->type() == rapidxml::node_element)
      deepest = std::max(deepest, depth);
    if (node->first_node()) {
      node = node->first_node();
      ++depth;
      continue;
    }
    while (node && !node->next_sibling()) {
      node = node->parent();
      --depth;
      if (node == document)
        node = nullptr;
    }
    if (node)
      node = node->next_sibling();
  }
  return deepest;
}

// Parses |body| without the nesting check; false when the parser refuses it.
bool ParseUnguarded(std::string body, int* depth) {
  rapidxml::xml_document<> document;
  try {
    document.parse<0>(&body[0]);
  } catch (const rapidxml::parse_error&) {
    return false;
  }
  *depth = ElementDepth(&document);
  return true;
}

bool IsAsciiWhitespace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// What the signature reader finds: the signed bytes are the body's start,
// the comment follows them, and only white space follows the comment.
void CheckSignatureReader(const std::string& body) {
  std::string_view signed_part;
  std::string_view signature;
  if (!ReadManifestSignature(body, &signed_part, &signature))
    return;
  const std::string comment = ManifestSignatureComment(signature);
  if (signed_part.data() != body.data() ||
      body.compare(signed_part.size(), comment.size(), comment) != 0)
    __builtin_trap();
  for (size_t i = signed_part.size() + comment.size(); i < body.size(); ++i) {
    if (!IsAsciiWhitespace(body[i]))
      __builtin_trap();
  }
}

void CheckBody(const std::string& body) {
  int counted = ManifestNestingDepth(body.c_str());
  bool guarded_parse = counted >= 0 && counted <= kMaxManifestNesting;

  std::string copy = body;
  g_updateInfo = UpdateInfo();
  std::string reason;
  if (ParseManifest(&copy, {}, &reason)) {
    // Only acceptable records, and only bodies the reader let through.
    if (g_updateInfo.md5.empty() || g_updateInfo.file_url.empty() ||
        !guarded_parse)
      __builtin_trap();
  }

  CheckSignatureReader(body);
  // A build with a key accepts only what that key signed, and only with
  // what such a build demands.
  copy = body;
  g_updateInfo = UpdateInfo();
  if (ParseManifest(&copy, kTrustedKeys, &reason) &&
      (!VerifyManifestSignature(body, kTrustedKeys, &reason) ||
       g_updateInfo.sha256.size() != 64 || g_updateInfo.size.empty() ||
       g_updateInfo.product != kProductName || !guarded_parse)) {
    __builtin_trap();
  }

  // Where the parser accepts a body, the reader must have counted its
  // nesting (or stopped one past the limit); where it refuses one, the
  // reader may count anything, as parsing never proceeds past the error.
  int parsed = 0;
  if ((guarded_parse || body.size() <= kUnguardedBytes) &&
      ParseUnguarded(body, &parsed) &&
      counted != std::min(parsed, kMaxManifestNesting + 1)) {
    __builtin_trap();
  }
}

// One thread with a stack of kStackBytes that checks one body at a time;
// it lives as long as the process. A thread per body would cost more than
// the check.
class SmallStackChecker {
 public:
  SmallStackChecker() {
    pthread_attr_t attributes;
    pthread_t thread;
    if (pthread_attr_init(&attributes) != 0 ||
        pthread_attr_setstacksize(&attributes, kStackBytes) != 0 ||
        pthread_create(&thread, &attributes, &SmallStackChecker::Main, this) !=
            0 ||
        pthread_detach(thread) != 0) {
      __builtin_trap();
    }
    pthread_attr_destroy(&attributes);
  }

  // Checks |body| on the thread; returns when that is done.
  void Check(const std::string& body) {
    std::unique_lock<std::mutex> lock(mutex_);
    body_ = &body;
    changed_.notify_all();
    changed_.wait(lock, [this] { return body_ == nullptr; });
  }

 private:
  static void* Main(void* self) {
    static_cast<SmallStackChecker*>(self)->Loop();
    return nullptr;
  }

  void Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return body_ != nullptr; });
      CheckBody(*body_);
      body_ = nullptr;
      changed_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  const std::string* body_ =
      nullptr;  // guarded by mutex_; null when none waits
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static SmallStackChecker* checker = new SmallStackChecker;
  checker->Check(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
