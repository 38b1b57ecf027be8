// Window classes: RegisterClassExW, GetClassInfoExW, and the built-in
// classes of the dialog manager and the controls.
#include "port/window_classes.h"
#include <commctrl.h>

#include <mutex>
#include <vector>

#include "port/controls.h"

namespace port {

namespace {

struct ClassEntry {
  std::u16string name;
  WNDCLASSEXW info;
};

// Atoms of registered classes start here, as on Windows.
constexpr ATOM kFirstAtom = 0xC000;

struct ClassTable {
  std::mutex lock;
  std::vector<ClassEntry> classes;  // index i has atom kFirstAtom + i
};

ClassTable& GetClasses() {
  static ClassTable* table = [] {
    auto* made = new ClassTable;
    const struct {
      const char16_t* name;
      WNDPROC procedure;
    } kBuiltIn[] = {{WC_DIALOG, DialogProcedure},
                    {PROGRESS_CLASSW, ProgressBarProcedure},
                    {WC_STATICW, StaticProcedure},
                    {WC_BUTTONW, ButtonProcedure}};
    for (const auto& entry : kBuiltIn) {
      WNDCLASSEXW info = {};
      info.cbSize = sizeof(info);
      info.lpfnWndProc = entry.procedure;
      made->classes.push_back({entry.name, info});
    }
    return made;
  }();
  return *table;
}

char16_t Lower(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// Index of the class, or -1. Called with the table's lock held.
int FindLocked(const ClassTable& table, LPCWSTR name) {
  if (!name)
    return -1;
  if (IS_INTRESOURCE(name)) {
    size_t index = reinterpret_cast<uintptr_t>(name) - kFirstAtom;
    return index < table.classes.size() ? static_cast<int>(index) : -1;
  }
  std::u16string wanted(name);
  for (size_t i = 0; i < table.classes.size(); ++i) {
    if (SameClassName(table.classes[i].name, wanted))
      return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

bool SameClassName(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i]))
      return false;
  }
  return true;
}

bool LookUpWindowClass(LPCWSTR name,
                       WNDPROC* procedure,
                       std::u16string* canonical_name) {
  ClassTable& table = GetClasses();
  std::lock_guard<std::mutex> hold(table.lock);
  int index = FindLocked(table, name);
  if (index < 0)
    return false;
  *procedure = table.classes[index].info.lpfnWndProc;
  *canonical_name = table.classes[index].name;
  return true;
}

}  // namespace port

ATOM RegisterClassExW(const WNDCLASSEXW* window_class) {
  if (!window_class || window_class->cbSize != sizeof(WNDCLASSEXW) ||
      !window_class->lpfnWndProc || !window_class->lpszClassName ||
      IS_INTRESOURCE(window_class->lpszClassName)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  port::ClassTable& table = port::GetClasses();
  std::lock_guard<std::mutex> hold(table.lock);
  if (port::FindLocked(table, window_class->lpszClassName) >= 0) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  port::ClassEntry entry{window_class->lpszClassName, *window_class};
  // The stored record must not point at the caller's text.
  entry.info.lpszClassName = nullptr;
  entry.info.lpszMenuName = nullptr;
  table.classes.push_back(entry);
  return static_cast<ATOM>(port::kFirstAtom + table.classes.size() - 1);
}

BOOL GetClassInfoExW(HINSTANCE, LPCWSTR class_name, WNDCLASSEXW* window_class) {
  if (!window_class)
    return FALSE;
  port::ClassTable& table = port::GetClasses();
  std::lock_guard<std::mutex> hold(table.lock);
  int index = port::FindLocked(table, class_name);
  if (index < 0) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return FALSE;
  }
  *window_class = table.classes[index].info;
  window_class->lpszClassName = class_name;
  return static_cast<ATOM>(port::kFirstAtom + index);
}

HCURSOR LoadCursorW(HINSTANCE, LPCWSTR cursor_name) {
  // Nothing is drawn, so a cursor is only a token; the arrow is the one the
  // program asks for.
  if (cursor_name != IDC_ARROW)
    return nullptr;
  return reinterpret_cast<HCURSOR>(uintptr_t{32512});
}
