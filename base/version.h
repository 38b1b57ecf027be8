// A parsed dotted version such as 1.0.2.5: one or more components
// of 0 to 65535, compared component by component with missing trailing
// components counting as zero. A copyable value with no shared state.
#ifndef BASE_VERSION_H_
#define BASE_VERSION_H_

#include <cstdint>
#include <string>
#include <vector>

namespace base {

class Version {
 public:
  // An invalid (empty) version.
  Version() = default;
  // Parses |text| strictly: decimal components between dots, blanks around
  // each allowed, no signs, no leading zeros. Any fault leaves it invalid.
  explicit Version(const std::string& text);

  bool IsValid() const { return !components_.empty(); }

  // -1, 0 or 1. An invalid version compares like one of all zeros.
  int Compare(const Version& other) const;

  // Whether this version is below the version |text|; false when |text| is
  // not a valid version.
  bool IsOlder(const std::string& text) const;

  const std::vector<uint16_t>& components() const { return components_; }

 private:
  std::vector<uint16_t> components_;
};

}  // namespace base

#endif  // BASE_VERSION_H_
