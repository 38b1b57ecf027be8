// A task: a bound call held through a reference-counted bound state. Copies
// share the state; the last one released destroys it and its bound arguments.
// A Closure object belongs to one thread at a time; the state's count is
// atomic.
#ifndef BASE_CALLBACK_H_
#define BASE_CALLBACK_H_

#include "base/ref_counted.h"

namespace base {

// The bound function and arguments, behind a virtual destructor so that a
// Closure can release any kind of state.
class BindStateBase : public RefCountedThreadSafe<BindStateBase> {
 protected:
  BindStateBase() = default;
  virtual ~BindStateBase() = default;

 private:
  friend class RefCountedThreadSafe<BindStateBase>;
};

class Closure {
 public:
  using InvokeFunction = void (*)(BindStateBase*);

  Closure() = default;
  // Takes the first reference to a newly created |bind_state|.
  Closure(BindStateBase* bind_state, InvokeFunction invoke);

  bool is_null() const { return !bind_state_; }
  // Equal when both share the same bound state and invoker.
  bool Equals(const Closure& other) const;
  // Drops this copy's reference; the closure becomes null.
  void Reset();
  void Run() const { invoke_(bind_state_.get()); }

 private:
  scoped_refptr<BindStateBase> bind_state_;
  InvokeFunction invoke_ = nullptr;
};

}  // namespace base

#endif  // BASE_CALLBACK_H_
