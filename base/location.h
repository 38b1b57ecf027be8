// Where a task was posted: function, file, line and the poster's program
// counter. A plain value with static texts; any thread may copy it.
#ifndef BASE_LOCATION_H_
#define BASE_LOCATION_H_

#include <string>

namespace base {

class Location {
 public:
  Location(const char* function_name,
           const char* file_name,
           int line_number,
           const void* program_counter);
  Location();

  const char* function_name() const { return function_name_; }
  const char* file_name() const { return file_name_; }
  int line_number() const { return line_number_; }
  const void* program_counter() const { return program_counter_; }

  // "function@file:line", for log lines.
  std::string ToString() const;

 private:
  const char* function_name_;
  const char* file_name_;
  int line_number_;
  const void* program_counter_;
};

// The return address of the call, i.e. a program counter inside the caller.
const void* GetProgramCounter();

}  // namespace base

// Posting sites that must carry a qualified function name give it here; the
// compiler's __func__ is unqualified.
#define FROM_HERE_WITH_FUNCTION(function_name)        \
  ::base::Location(function_name, __FILE__, __LINE__, \
                   ::base::GetProgramCounter())

#define FROM_HERE FROM_HERE_WITH_FUNCTION(__func__)

#endif  // BASE_LOCATION_H_
