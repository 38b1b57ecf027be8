// Starts a real program for a test and waits for it with a deadline, so a
// hung child fails the test instead of hanging it. Killed if still running
// when the object goes away.
#ifndef TESTS_CHILD_PROCESS_H_
#define TESTS_CHILD_PROCESS_H_

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace test {

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Runs |program| with |args| (not including the program) in |directory|
  // (empty: the current one), with standard error and standard output sent
  // to |stderr_path| and |stdout_path| when those are not empty, and with
  // the "NAME=value" settings of |environment| added to this process's
  // environment. False when the program could not be started.
  bool Start(const std::string& program,
             const std::vector<std::string>& args,
             const std::string& directory = std::string(),
             const std::string& stderr_path = std::string(),
             const std::vector<std::string>& environment = {},
             const std::string& stdout_path = std::string());

  // Waits until the child exits; false on time-out (the child is then
  // killed). |exit_code| is the exit status, or 128 + signal.
  bool Wait(std::chrono::milliseconds timeout, int* exit_code);

  // Sends |number| to the child while it runs.
  void Signal(int number);

  bool running() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  // After a successful Wait: the most memory the child ever had resident,
  // in KiB, as the kernel accounted it when the child was reaped; 0 before.
  // It counts the copy of this process that the child was before it ran
  // |program| too, so it is the program's own peak only while this process
  // is the smaller.
  long peak_resident_kib() const { return peak_resident_kib_; }

 private:
  pid_t pid_ = -1;
  long peak_resident_kib_ = 0;
};

// Kills every process whose executable is |path| (as /proc sees it) and
// waits for each to end; returns how many there were. For programs that the
// code under test started and left running.
int KillProcessesRunning(const std::string& path);

// The md5sum tool's digest of |path|, independent of the updater's own;
// empty when the tool cannot run.
std::string Md5sum(const std::string& path);
// The sha256sum tool's digest of |path|, likewise.
std::string Sha256sum(const std::string& path);

}  // namespace test

#endif  // TESTS_CHILD_PROCESS_H_
