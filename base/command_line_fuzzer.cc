// Feeds arbitrary UTF-16 text to the command-line reader and checks that
// splitting and joining command-line texts are inverse to each other.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/string_number_conversions.h"
#include "base/sys_string_conversions.h"
#include "base/utf_string_conversions.h"

namespace {

void Require(bool condition) {
  if (!condition)
    abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string text;
  for (size_t i = 0; i + 1 < size; i += 2)
    text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));

  base::CommandLine line(text);
  const std::vector<std::u16string>& argv = line.argv();
  Require(!argv.empty());
  Require(line.first_argument_index() >= 1);
  Require(line.first_argument_index() <= argv.size());
  for (const char* name : {"url", "hwnd", "pid", "notify", "auto", ""}) {
    std::u16string value = line.Value(name);
    Require(value.empty() || line.IsSet(name));
    int32_t number = 0;
    base::ParseInt(value, &number);
    uint32_t unsigned_number = 0;
    base::ParseUint(value, &unsigned_number);
    base::UTF16ToUTF8(value);
  }
  base::WideToAnsi(line.Value("url"));

  std::vector<std::u16string> args = base::SplitCommandLineText(text);
  Require(base::SplitCommandLineText(base::JoinCommandLineArgs(args)) == args);
  return 0;
}
