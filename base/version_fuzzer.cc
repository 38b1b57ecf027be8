// Builds versions from arbitrary text (two texts split at the first line
// break) and checks that comparison is a consistent order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/string_number_conversions.h"
#include "base/version.h"

namespace {

void Require(bool condition) {
  if (!condition)
    abort();
}

// The canonical text of a valid version.
std::string Format(const base::Version& version) {
  std::string text;
  for (uint16_t component : version.components()) {
    if (!text.empty())
      text.push_back('.');
    text += base::FormatInt(component);
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  size_t line_break = input.find('\n');
  std::string first = input.substr(0, line_break);
  std::string second = line_break == std::string::npos
                           ? std::string()
                           : input.substr(line_break + 1);

  base::Version a(first);
  base::Version b(second);
  int forward = a.Compare(b);
  Require(forward >= -1 && forward <= 1);
  Require(forward == -b.Compare(a));
  Require(a.Compare(a) == 0);
  Require(a.IsOlder(second) == (b.IsValid() && forward == -1));
  if (a.IsValid()) {
    base::Version again(Format(a));
    Require(again.components() == a.components());
  }
  return 0;
}
