// The window classes: the controls and dialogs that port/ provides, and the
// classes the program registers. Process-wide, guarded by their own lock;
// any thread.
#ifndef PORT_WINDOW_CLASSES_H_
#define PORT_WINDOW_CLASSES_H_

#include <windows.h>

#include <string>

namespace port {

// The procedure and canonical name of the class |name| (a name or an atom
// from RegisterClassExW); false when no such class exists.
bool LookUpWindowClass(LPCWSTR name,
                       WNDPROC* procedure,
                       std::u16string* canonical_name);

// Class names compare without regard to ASCII letter case.
bool SameClassName(const std::u16string& a, const std::u16string& b);

}  // namespace port

#endif  // PORT_WINDOW_CLASSES_H_
