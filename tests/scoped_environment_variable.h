// A variable of this process's environment set for a test: started
// processes and the system's own look-ups (TMPDIR, or on Windows
// GetTempPathW's TMP) read it. Names and values are in the system's own
// characters, as std::filesystem::path holds them.
#ifndef TESTS_SCOPED_ENVIRONMENT_VARIABLE_H_
#define TESTS_SCOPED_ENVIRONMENT_VARIABLE_H_

#include <filesystem>

namespace test {

using SystemChar = std::filesystem::path::value_type;

// Sets (or, with a null |value|, removes) the variable |name|, and puts the
// old value back when it goes.
class ScopedEnvironmentVariable {
 public:
  ScopedEnvironmentVariable(const SystemChar* name, const SystemChar* value);
  ~ScopedEnvironmentVariable();
  ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
  ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) =
      delete;

 private:
  std::filesystem::path::string_type name_;
  bool had_value_ = false;
  std::filesystem::path::string_type old_value_;
};

}  // namespace test

#endif  // TESTS_SCOPED_ENVIRONMENT_VARIABLE_H_
