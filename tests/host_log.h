// A running demonstration host with a window handle of its own, and what it
// recorded: the messages its window received and how it was started.
#ifndef TESTS_HOST_LOG_H_
#define TESTS_HOST_LOG_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "tests/child_process.h"
#include "tests/test_files.h"

namespace test {

class HostLog {
 public:
  HostLog();
  HostLog(const HostLog&) = delete;
  HostLog& operator=(const HostLog&) = delete;

  // Starts |host_binary| on a new handle and waits until its window's
  // endpoint is bound; false when it does not come up within seconds. The
  // host ends by itself after two minutes unless |extra_args| say otherwise.
  bool Start(const std::string& host_binary,
             const std::vector<std::string>& extra_args = {});

  uint32_t hwnd() const { return hwnd_; }
  std::string HwndSwitch() const { return "--hwnd=" + std::to_string(hwnd_); }

  // Whether the host has recorded its exit.
  bool Exited() const;

  // The messages received so far, in order.
  std::vector<uint32_t> Messages() const;

  // Waits (bounded) for at least |expected| messages, then a little longer
  // so that an unexpected extra one shows; returns all of them.
  std::vector<uint32_t> MessagesSettled(size_t expected) const;

 private:
  ScopedTempDir dir_;
  uint32_t hwnd_;
  ChildProcess process_;
};

}  // namespace test

#endif  // TESTS_HOST_LOG_H_
