#include "base/callback.h"

#include "base/logging.h"

namespace base {

Closure::Closure(BindStateBase* bind_state, InvokeFunction invoke)
    : bind_state_(bind_state), invoke_(invoke) {
  DCHECK(!bind_state_ || bind_state_->HasOneRef());
}

bool Closure::Equals(const Closure& other) const {
  return bind_state_ == other.bind_state_ && invoke_ == other.invoke_;
}

void Closure::Reset() {
  bind_state_ = nullptr;
  invoke_ = nullptr;
}

}  // namespace base
