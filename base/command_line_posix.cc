// Linux has no CommandLineToArgvW: this is its splitting rule written out,
// including the handling of runs of quotes of the Windows C runtime.
#include "base/command_line.h"

namespace base {

namespace {

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

}  // namespace

std::vector<std::u16string> SplitCommandLineText(const std::u16string& text) {
  std::vector<std::u16string> args;
  if (text.empty())
    return args;
  const size_t n = text.size();
  size_t i = 0;
  std::u16string program;
  if (text[0] == u'"') {
    for (i = 1; i < n && text[i] != u'"'; ++i)
      program.push_back(text[i]);
    if (i < n)
      ++i;
  } else {
    for (; i < n && !IsBlank(text[i]); ++i)
      program.push_back(text[i]);
  }
  args.push_back(program);
  while (i < n && IsBlank(text[i]))
    ++i;
  if (i == n)
    return args;

  std::u16string current;
  size_t backslashes = 0;
  // 0 outside quotes, 1 inside; counts briefly up to 3 in a run of quotes.
  int quotes = 0;
  while (i < n) {
    char16_t c = text[i];
    if (IsBlank(c) && quotes == 0) {
      args.push_back(current);
      current.clear();
      backslashes = 0;
      while (i < n && IsBlank(text[i]))
        ++i;
      if (i == n)
        return args;
      continue;
    }
    if (c == u'\\') {
      current.push_back(c);
      ++backslashes;
      ++i;
      continue;
    }
    if (c != u'"') {
      current.push_back(c);
      backslashes = 0;
      ++i;
      continue;
    }
    if (backslashes % 2 == 0) {
      // 2n backslashes and a quote: n backslashes, and the quote toggles.
      current.resize(current.size() - backslashes / 2);
      ++quotes;
    } else {
      // 2n+1 backslashes and a quote: n backslashes and a literal quote.
      current.resize(current.size() - backslashes / 2 - 1);
      current.push_back(u'"');
    }
    backslashes = 0;
    ++i;
    // In a run of quotes every third one is literal.
    for (; i < n && text[i] == u'"'; ++i) {
      if (++quotes == 3) {
        current.push_back(u'"');
        quotes = 0;
      }
    }
    if (quotes == 2)
      quotes = 0;
  }
  args.push_back(current);
  return args;
}

}  // namespace base
