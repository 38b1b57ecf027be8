#include "base/command_line.h"

#include <string_view>

#include "base/string_util.h"

namespace base {

namespace {

// Longest first, so that "--x" is not read as "-" followed by "-x".
constexpr std::u16string_view kSwitchPrefixes[] = {u"--", u"-", u"/"};
constexpr std::u16string_view kSwitchTerminator = u"--";
constexpr char16_t kSwitchValueSeparator = u'=';

template <typename Char>
size_t SwitchPrefixLength(std::basic_string_view<Char> text) {
  for (std::u16string_view prefix : kSwitchPrefixes) {
    if (text.size() < prefix.size())
      continue;
    bool matches = true;
    for (size_t i = 0; i < prefix.size(); ++i)
      matches = matches && static_cast<char16_t>(text[i]) == prefix[i];
    if (matches)
      return prefix.size();
  }
  return 0;
}

bool NeedsQuotes(const std::u16string& arg) {
  if (arg.empty())
    return true;
  for (char16_t c : arg) {
    if (c == u'"' || IsWhitespace(c))
      return true;
  }
  return false;
}

// The program rule knows no escapes: a quoted program ends at the next quote,
// a bare one at the first blank or tab.
void AppendProgram(const std::u16string& program, std::u16string* out) {
  bool needs_quotes = program.empty() || program[0] == u'"' ||
                      program.find_first_of(u" \t") != std::u16string::npos;
  if (!needs_quotes) {
    out->append(program);
    return;
  }
  out->push_back(u'"');
  for (char16_t c : program) {
    if (c != u'"')
      out->push_back(c);
  }
  out->push_back(u'"');
}

// Backslashes are literal except in front of a quote, where 2n of them stand
// for n and 2n+1 of them for n plus a literal quote.
void AppendArgument(const std::u16string& arg, std::u16string* out) {
  if (!NeedsQuotes(arg)) {
    out->append(arg);
    return;
  }
  out->push_back(u'"');
  size_t backslashes = 0;
  for (char16_t c : arg) {
    if (c == u'\\') {
      ++backslashes;
      continue;
    }
    if (c == u'"') {
      out->append(backslashes * 2 + 1, u'\\');
    } else {
      out->append(backslashes, u'\\');
    }
    backslashes = 0;
    out->push_back(c);
  }
  // Backslashes before the closing quote are doubled so that it stays one.
  out->append(backslashes * 2, u'\\');
  out->push_back(u'"');
}

}  // namespace

std::u16string JoinCommandLineArgs(const std::vector<std::u16string>& args) {
  std::u16string text;
  for (size_t i = 0; i < args.size(); ++i) {
    if (i == 0) {
      AppendProgram(args[i], &text);
      continue;
    }
    text.push_back(u' ');
    AppendArgument(args[i], &text);
  }
  return text;
}

CommandLine::CommandLine(const std::u16string& text)
    : argv_(1), first_argument_index_(1) {
  std::u16string trimmed = TrimWhitespace(text);
  if (trimmed.empty())
    return;
  std::vector<std::u16string> args = SplitCommandLineText(trimmed);
  if (args.empty())
    return;
  argv_[0] = TrimWhitespace(args[0]);
  bool parse_switches = true;
  for (size_t i = 1; i < args.size(); ++i) {
    std::u16string arg = TrimWhitespace(args[i]);
    if (parse_switches && arg == kSwitchTerminator) {
      parse_switches = false;
      argv_.push_back(arg);
      continue;
    }
    if (parse_switches && SwitchPrefixLength(std::u16string_view(arg)) > 0) {
      size_t separator = arg.find(kSwitchValueSeparator);
      if (separator == std::u16string::npos)
        AddSwitch(arg, std::u16string());
      else
        AddSwitch(arg.substr(0, separator), arg.substr(separator + 1));
      continue;
    }
    argv_.push_back(arg);
  }
}

bool CommandLine::IsSet(const std::string& name) const {
  return switches_.count(StringToLowerASCII(name)) != 0;
}

std::u16string CommandLine::Value(const std::string& name) const {
  auto found = switches_.find(StringToLowerASCII(name));
  return found == switches_.end() ? std::u16string() : found->second;
}

void CommandLine::AddSwitch(const std::u16string& switch_text,
                            const std::u16string& value) {
  // Switch names are narrow: each unit keeps its low 8 bits. The prefix is
  // then found again on the narrowed text.
  std::string narrow;
  narrow.reserve(switch_text.size());
  for (char16_t c : switch_text)
    narrow.push_back(static_cast<char>(c & 0xFF));
  narrow = StringToLowerASCII(narrow);
  std::string name =
      narrow.substr(SwitchPrefixLength(std::string_view(narrow)));
  switches_[name] = value;

  std::u16string normalised;
  for (char c : narrow)
    normalised.push_back(static_cast<unsigned char>(c));
  if (!value.empty()) {
    normalised.push_back(kSwitchValueSeparator);
    normalised.append(value);
  }
  argv_.insert(argv_.begin() + first_argument_index_, normalised);
  ++first_argument_index_;
}

}  // namespace base
