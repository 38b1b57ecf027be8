// The process utilities that need nothing of the system beyond the others.
#include "base/process_util.h"

#include <chrono>
#include <thread>
#include <utility>

namespace base {

Process::Process(Process&& other) noexcept
    : handle_(std::exchange(other.handle_, kInvalidHandle)) {}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, kInvalidHandle);
  }
  return *this;
}

Process::~Process() {
  Close();
}

std::u16string BuildLaunchCommandLine(const FilePath& program,
                                      const std::u16string& arguments) {
  return u"\"" + program.value() + u"\" " + arguments;
}

void WaitForProcessesToExit(const std::u16string& executable_name,
                            TimeDelta round,
                            const std::function<void()>& still_running) {
  const auto sleep = std::chrono::microseconds(round.InMicroseconds());
  std::this_thread::sleep_for(sleep);
  while (CountProcessesByName(executable_name) > 0) {
    still_running();
    std::this_thread::sleep_for(sleep);
  }
}

}  // namespace base
