#include "base/string_split.h"

#include "base/string_util.h"

namespace base {

void SplitOnChar(std::string_view text,
                 char separator,
                 std::vector<std::string>* output) {
  output->clear();
  size_t begin = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != separator)
      continue;
    std::string piece = TrimWhitespaceASCII(text.substr(begin, i - begin));
    bool is_last = i == text.size();
    if (!is_last || !piece.empty() || !output->empty())
      output->push_back(std::move(piece));
    begin = i + 1;
  }
}

}  // namespace base
