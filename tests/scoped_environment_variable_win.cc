#include "tests/scoped_environment_variable.h"

#include <windows.h>

namespace test {

ScopedEnvironmentVariable::ScopedEnvironmentVariable(const wchar_t* name,
                                                     const wchar_t* value)
    : name_(name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  had_value_ = size > 0;
  if (had_value_) {
    old_value_.resize(size);
    const DWORD length = GetEnvironmentVariableW(name, &old_value_[0], size);
    old_value_.resize(length);
  }
  SetEnvironmentVariableW(name, value);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() {
  SetEnvironmentVariableW(name_.c_str(),
                          had_value_ ? old_value_.c_str() : nullptr);
}

}  // namespace test
