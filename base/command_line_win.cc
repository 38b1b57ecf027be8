// Windows splits a command line with its own CommandLineToArgvW, the rule
// the header describes. Only the empty text needs a word of its own: the
// system answers it with the path of the running program.
#include "base/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "base/win/wide_text.h"

namespace base {

namespace {

// CommandLineToArgvW hands out one LocalAlloc block holding the whole array.
struct LocalMemoryFreer {
  void operator()(LPWSTR* block) const { LocalFree(block); }
};

}  // namespace

std::vector<std::u16string> SplitCommandLineText(const std::u16string& text) {
  std::vector<std::u16string> args;
  if (text.empty())
    return args;
  int count = 0;
  std::unique_ptr<LPWSTR, LocalMemoryFreer> argv(
      CommandLineToArgvW(AsWCHAR(text.c_str()), &count));
  if (!argv)
    return args;
  args.reserve(count);
  for (int i = 0; i < count; ++i)
    args.emplace_back(AsChar16(argv.get()[i]));
  return args;
}

}  // namespace base
