#include "app/single_instance_guard.h"

#include <windows.h>

#include "base/win/wide_text.h"

namespace {

const char16_t kSingleInstanceMutexName[] =
    u"{FBCD391A-E1BD-4D68-AA1E-4FF815C26B80}";

}  // namespace

SingleInstanceGuard::SingleInstanceGuard()
    : mutex_(CreateMutexW(nullptr, FALSE, AsWCHAR(kSingleInstanceMutexName))),
      anotherInstanceRunning_(GetLastError() == ERROR_ALREADY_EXISTS) {}

SingleInstanceGuard::~SingleInstanceGuard() {
  if (mutex_) {
    CloseHandle(mutex_);
    mutex_ = nullptr;
  }
}
