// The signals are caught process-wide by a handler that only notes them,
// since any thread may receive them (the main thread runs the UI loop), and
// blocked on the deferring thread so that its system calls are not
// interrupted. A signal that was ignored stays ignored.
#include "base/deferred_termination.h"

#include <pthread.h>
#include <signal.h>

namespace base {

namespace {

constexpr int kRequests[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int kRequestCount = sizeof(kRequests) / sizeof(kRequests[0]);

// The signal that arrived, or 0. Written by the handler on any thread.
volatile sig_atomic_t g_requested = 0;

// What the deferral changed, to be put back. Touched only by the thread
// that holds the deferral.
struct SavedState {
  struct sigaction actions[kRequestCount];
  bool caught[kRequestCount];
  sigset_t mask;
};
SavedState g_saved;

void NoteRequest(int signal) {
  g_requested = signal;
}

sigset_t RequestSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal : kRequests)
    sigaddset(&set, signal);
  return set;
}

}  // namespace

DeferredTermination::DeferredTermination() {
  g_requested = 0;
  sigset_t requests = RequestSet();
  pthread_sigmask(SIG_BLOCK, &requests, &g_saved.mask);
  for (int i = 0; i < kRequestCount; ++i) {
    g_saved.caught[i] = false;
    if (sigaction(kRequests[i], nullptr, &g_saved.actions[i]) != 0 ||
        g_saved.actions[i].sa_handler != SIG_DFL) {
      continue;
    }
    struct sigaction note = {};
    note.sa_handler = NoteRequest;
    note.sa_flags = SA_RESTART;
    sigemptyset(&note.sa_mask);
    g_saved.caught[i] = sigaction(kRequests[i], &note, nullptr) == 0;
  }
}

DeferredTermination::~DeferredTermination() {
  for (int i = 0; i < kRequestCount; ++i) {
    if (g_saved.caught[i])
      sigaction(kRequests[i], &g_saved.actions[i], nullptr);
  }
  const int requested = g_requested;
  // A request still pending for this thread arrives here, and ends the
  // process with the default action just put back.
  pthread_sigmask(SIG_SETMASK, &g_saved.mask, nullptr);
  if (requested != 0)
    raise(requested);
}

bool DeferredTermination::requested() const {
  if (g_requested != 0)
    return true;
  // A request sent to this thread, or to the process while no other thread
  // takes it, waits blocked.
  sigset_t pending;
  if (sigpending(&pending) != 0)
    return false;
  for (int signal : kRequests) {
    if (sigismember(&pending, signal) == 1)
      return true;
  }
  return false;
}

}  // namespace base
