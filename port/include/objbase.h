// COM's start and end, for the Linux build: nothing to prepare there. On
// Windows they come from the system's <objbase.h>.
#ifndef PORT_INCLUDE_OBJBASE_H_
#define PORT_INCLUDE_OBJBASE_H_

#include <windows.h>

HRESULT CoInitialize(LPVOID reserved);
void CoUninitialize();

#endif  // PORT_INCLUDE_OBJBASE_H_
