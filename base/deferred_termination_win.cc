// A GUI program has no signals; what asks it to end from outside is a
// console control event (Ctrl+C, Ctrl+Break, the console closing, log-off,
// shut-down) when it has a console, which the handler here holds back until
// the deferral ends. TerminateProcess cannot be held back, like SIGKILL.
#include "base/deferred_termination.h"

#include <windows.h>

#include <atomic>

namespace base {

namespace {

// Whether a request has arrived; written by the handler's thread.
std::atomic<bool> g_requested{false};
// Signalled when the deferral ends, to let a held-back request go on.
HANDLE g_deferral_over = nullptr;

BOOL WINAPI HoldBackRequest(DWORD) {
  g_requested = true;
  WaitForSingleObject(g_deferral_over, INFINITE);
  // Not handled: the next handler, the system's, ends the process.
  return FALSE;
}

}  // namespace

DeferredTermination::DeferredTermination() {
  g_requested = false;
  g_deferral_over = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(HoldBackRequest, TRUE);
}

DeferredTermination::~DeferredTermination() {
  SetConsoleCtrlHandler(HoldBackRequest, FALSE);
  if (g_requested) {
    // The held-back request ends the process; nothing after it may run.
    SetEvent(g_deferral_over);
    ExitProcess(STATUS_CONTROL_C_EXIT);
  }
  CloseHandle(g_deferral_over);
  g_deferral_over = nullptr;
}

bool DeferredTermination::requested() const {
  return g_requested;
}

}  // namespace base
