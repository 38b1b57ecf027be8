#include "base/at_exit.h"

#include "base/logging.h"

namespace base {

namespace {

// The innermost manager. Set and cleared by the thread that owns it, before
// other threads exist and after they are gone.
AtExitManager* g_top_manager = nullptr;

}  // namespace

AtExitManager::AtExitManager() : next_manager_(g_top_manager) {
  g_top_manager = this;
}

AtExitManager::~AtExitManager() {
  if (!g_top_manager) {
    NOTREACHED() << "Tried to ~AtExitManager without an AtExitManager";
    return;
  }
  DCHECK(this == g_top_manager);
  ProcessCallbacksNow();
  g_top_manager = next_manager_;
}

// static
void AtExitManager::RegisterCallback(AtExitCallbackType func, void* param) {
  DCHECK(func);
  // A null callback would only crash the final run; it is dropped instead.
  if (!func)
    return;
  if (!g_top_manager) {
    NOTREACHED() << "Tried to RegisterCallback without an AtExitManager";
    return;
  }
  AutoLock hold(g_top_manager->lock_);
  g_top_manager->stack_.push_back({func, param});
}

// static
void AtExitManager::ProcessCallbacksNow() {
  if (!g_top_manager) {
    NOTREACHED() << "Tried to ProcessCallbacksNow without an AtExitManager";
    return;
  }
  AtExitManager* manager = g_top_manager;
  AutoLock hold(manager->lock_);
  while (!manager->stack_.empty()) {
    // Popped before it runs, so that a callback it registers (which lands
    // on top) is the next to run and nothing runs twice.
    const Callback callback = manager->stack_.back();
    manager->stack_.pop_back();
    callback.func(callback.param);
  }
}

}  // namespace base
