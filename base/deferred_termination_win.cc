// A GUI program has no signals; what asks it to end from outside is a
// console control event (Ctrl+C, Ctrl+Break, the console closing, log-off,
// shut-down) when it has a console, which the handler here holds back until
// the deferral ends. TerminateProcess cannot be held back, like SIGKILL.
#include "base/deferred_termination.h"

#include <windows.h>

#include <atomic>

#include "base/win/scoped_handle.h"

namespace base {

namespace {

// Whether a request has arrived; written by the handler's thread.
std::atomic<bool> g_requested{false};

// Signalled when a deferral ends, to let a held-back request go on. Made
// once and kept for the life of the process: a handler that started just
// before its removal may still wait on it.
HANDLE DeferralOver() {
  static const win::ScopedHandle event(
      CreateEventW(nullptr, TRUE, FALSE, nullptr));
  return event.get();
}

BOOL WINAPI HoldBackRequest(DWORD) {
  g_requested = true;
  WaitForSingleObject(DeferralOver(), INFINITE);
  // Not handled: the next handler, the system's, ends the process.
  return FALSE;
}

}  // namespace

DeferredTermination::DeferredTermination() {
  g_requested = false;
  ResetEvent(DeferralOver());
  SetConsoleCtrlHandler(HoldBackRequest, TRUE);
}

DeferredTermination::~DeferredTermination() {
  SetConsoleCtrlHandler(HoldBackRequest, FALSE);
  SetEvent(DeferralOver());
  // The held-back request ends the process; nothing after it may run.
  if (g_requested)
    ExitProcess(STATUS_CONTROL_C_EXIT);
}

bool DeferredTermination::requested() const {
  return g_requested;
}

}  // namespace base
