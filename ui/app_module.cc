#include "ui/app_module.h"

CAppModule _Module;

HRESULT CAppModule::Init(void*, HINSTANCE, const void*) {
  m_dwMainThreadID = GetCurrentThreadId();
  base::AutoLock lock(m_lock);
  m_loops = std::make_unique<std::map<DWORD, CMessageLoop*>>();
  return S_OK;
}

void CAppModule::Term() {
  base::AutoLock lock(m_lock);
  m_loops.reset();
}

BOOL CAppModule::AddMessageLoop(CMessageLoop* loop) {
  base::AutoLock lock(m_lock);
  if (!m_loops)
    return FALSE;
  return m_loops->emplace(GetCurrentThreadId(), loop).second;
}

BOOL CAppModule::RemoveMessageLoop() {
  base::AutoLock lock(m_lock);
  return m_loops && m_loops->erase(GetCurrentThreadId()) == 1;
}
