// DeferredTermination holds back the requests to end the process (SIGTERM,
// SIGINT and SIGHUP on Linux) while work runs that must not stop half-way;
// a request that arrives meanwhile ends the process once the object goes.
// Made and destroyed on one thread, whichever thread the request reaches;
// one at a time in a process.
#ifndef BASE_DEFERRED_TERMINATION_H_
#define BASE_DEFERRED_TERMINATION_H_

namespace base {

class DeferredTermination {
 public:
  DeferredTermination();
  // Ends the process, the way the request would have, when one arrived.
  ~DeferredTermination();
  DeferredTermination(const DeferredTermination&) = delete;
  DeferredTermination& operator=(const DeferredTermination&) = delete;

  // Whether a request has arrived since construction.
  bool requested() const;
};

}  // namespace base

#endif  // BASE_DEFERRED_TERMINATION_H_
