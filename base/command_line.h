// The program's command line: the switches and ordinary arguments read from
// one full command-line text, plus splitting and joining such texts with the
// Windows argument rules. A CommandLine is a plain value owned by its
// creator; it is not shared between threads.
#ifndef BASE_COMMAND_LINE_H_
#define BASE_COMMAND_LINE_H_

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace base {

// Splits a full command-line text into arguments as CommandLineToArgvW does:
// the program (first argument) ends at the first blank or, when it starts
// with a quote, at the next quote; the other arguments follow the quote and
// backslash rules of the Windows C runtime. An empty text gives no argument.
std::vector<std::u16string> SplitCommandLineText(const std::u16string& text);

// The inverse of SplitCommandLineText: the first element is written as the
// program, the others quoted where needed, so that splitting the result gives
// back the same arguments. A program name that needs quotes (it is empty,
// holds a blank or tab, or begins with a quote) loses any quotes inside it:
// the program rule cannot express them, just as Windows file names hold none.
std::u16string JoinCommandLineArgs(const std::vector<std::u16string>& args);

class CommandLine {
 public:
  // Reads |text|: the program, then switches ("--name", "-name" or "/name",
  // optionally "=value"; "--" ends them) and ordinary arguments.
  explicit CommandLine(const std::u16string& text);

  // Whether switch |name| (given without prefix, any ASCII case) was present,
  // with or without a value.
  bool IsSet(const std::string& name) const;
  // The value of switch |name|; empty when absent or given without value.
  std::u16string Value(const std::string& name) const;

  // The program, then each switch lowered and normalised, then the ordinary
  // arguments.
  const std::vector<std::u16string>& argv() const { return argv_; }
  size_t first_argument_index() const { return first_argument_index_; }

 private:
  void AddSwitch(const std::u16string& switch_text,
                 const std::u16string& value);

  std::vector<std::u16string> argv_;
  std::map<std::string, std::u16string> switches_;
  size_t first_argument_index_;
};

}  // namespace base

#endif  // BASE_COMMAND_LINE_H_
