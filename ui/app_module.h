// The process's UI module: records the main thread and keeps the registry
// from UI thread to its message loop. One per process (_Module); Init and
// Term on the main thread, the registry from any UI thread under its lock.
#ifndef UI_APP_MODULE_H_
#define UI_APP_MODULE_H_

#include <windows.h>

#include <map>
#include <memory>

#include "base/synchronization/lock.h"

class CMessageLoop;

class CAppModule {
 public:
  // The object map and library id are not used; neither is |instance|, as
  // resources always come from the program's own module.
  HRESULT Init(void* object_map,
               HINSTANCE instance,
               const void* library_id = nullptr);
  void Term();

  BOOL AddMessageLoop(CMessageLoop* loop);
  BOOL RemoveMessageLoop();

  DWORD m_dwMainThreadID = 0;

 private:
  base::Lock m_lock;
  // Guarded by m_lock; null until Init and after Term.
  std::unique_ptr<std::map<DWORD, CMessageLoop*>> m_loops;
};

extern CAppModule _Module;

#endif  // UI_APP_MODULE_H_
