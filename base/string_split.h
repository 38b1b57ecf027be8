// Splitting of narrow text on one separator character, with each piece
// trimmed of white space; used to read dotted version texts.
// A plain function on values; any thread may call it.
#ifndef BASE_STRING_SPLIT_H_
#define BASE_STRING_SPLIT_H_

#include <string>
#include <string_view>
#include <vector>

namespace base {

// Replaces |output| with the pieces of |text| between the separators, each
// trimmed of "\t\n\v\f\r " at both ends. An empty last piece is dropped only
// when it is the only piece, so an empty or all-blank text gives no piece,
// "1." gives "1" and "", and ".1" gives "" and "1".
void SplitOnChar(std::string_view text,
                 char separator,
                 std::vector<std::string>* output);

}  // namespace base

#endif  // BASE_STRING_SPLIT_H_
