// A stack of callbacks run, last registered first, when the innermost
// AtExitManager is destroyed (or ProcessCallbacksNow() is called). The entry
// point owns one on its stack; managers nest, the innermost one receiving
// registrations. Any thread may register; the owner runs the callbacks.
#ifndef BASE_AT_EXIT_H_
#define BASE_AT_EXIT_H_

#include <vector>

#include "base/synchronization/lock.h"

namespace base {

class AtExitManager {
 public:
  using AtExitCallbackType = void (*)(void* param);

  AtExitManager();
  // Runs the callbacks and makes the enclosing manager current again.
  ~AtExitManager();
  AtExitManager(const AtExitManager&) = delete;
  AtExitManager& operator=(const AtExitManager&) = delete;

  // Registers |func|(|param|) with the innermost manager. Without a manager,
  // or with a null |func|, the callback is dropped.
  static void RegisterCallback(AtExitCallbackType func, void* param);

  // Runs and removes every registered callback, newest first; one that is
  // registered meanwhile by a callback runs next.
  static void ProcessCallbacksNow();

 private:
  struct Callback {
    AtExitCallbackType func;
    void* param;
  };

  Lock lock_;
  std::vector<Callback> stack_;  // Guarded by lock_; the back is the top.
  AtExitManager* const next_manager_;
};

}  // namespace base

#endif  // BASE_AT_EXIT_H_
