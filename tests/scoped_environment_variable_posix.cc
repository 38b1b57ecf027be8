#include "tests/scoped_environment_variable.h"

#include <stdlib.h>

namespace test {

ScopedEnvironmentVariable::ScopedEnvironmentVariable(const char* name,
                                                     const char* value)
    : name_(name) {
  const char* old = getenv(name);
  had_value_ = old != nullptr;
  if (old)
    old_value_ = old;
  if (value)
    setenv(name, value, 1);
  else
    unsetenv(name);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() {
  if (had_value_)
    setenv(name_.c_str(), old_value_.c_str(), 1);
  else
    unsetenv(name_.c_str());
}

}  // namespace test
