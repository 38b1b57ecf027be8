// The table of the updater's own windows: handles numbered from 2^32 up and
// never reused, and the state of each window. One process-wide lock guards
// the table and every Window in it; window procedures are always called
// with it released. Any thread.
#ifndef PORT_WINDOW_TABLE_H_
#define PORT_WINDOW_TABLE_H_

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace port {

class MessageQueue;

struct ClientFrameSize {
  LONG cx;
  LONG cy;
};

struct Window {
  HWND handle = nullptr;
  std::shared_ptr<MessageQueue> queue;  // of the thread that created it
  std::u16string class_name;
  WNDPROC procedure = nullptr;
  HINSTANCE instance = nullptr;
  HWND parent = nullptr;  // child windows
  HWND owner = nullptr;   // top-level windows
  int id = 0;
  DWORD style = 0;
  DWORD ex_style = 0;
  // Screen coordinates for top-level windows, parent client coordinates
  // for children.
  RECT rect = {0, 0, 0, 0};
  std::u16string text;
  bool minimized = false;
  bool destroying = false;
  LONG_PTR user_data = 0;
  HICON big_icon = nullptr;
  HICON small_icon = nullptr;
  HMENU system_menu = nullptr;
  std::vector<HWND> children;

  // Dialogs.
  DLGPROC dialog_procedure = nullptr;
  bool dialog_started = false;  // WM_INITDIALOG has been sent
  LONG_PTR dialog_result = 0;   // DWLP_MSGRESULT
  LONG_PTR dialog_user = 0;     // DWLP_USER
  bool dialog_ended = false;    // EndDialog was called
  INT_PTR end_result = 0;

  // Progress bars.
  int range_low = 0;
  int range_high = 100;
  int position = 0;
};

std::mutex& WindowLock();

// The rest are called with WindowLock() held.
Window* FindWindowLocked(HWND handle);
HWND AddWindowLocked(std::unique_ptr<Window> window);
void RemoveWindowLocked(HWND handle);
std::vector<HWND> TopLevelWindowsLocked();
std::vector<HWND> WindowsOfQueueLocked(const MessageQueue* queue);
// The screen position of the window's client area origin.
POINT ClientOriginLocked(const Window& window);
// Screen rectangle of the window.
RECT ScreenRectLocked(const Window& window);
// The client area in its own coordinates: (0, 0) to its size.
RECT ClientRectLocked(const Window& window);
// The window rectangle size for a client area of |width| by |height|.
ClientFrameSize WindowSizeForClient(DWORD style, LONG width, LONG height);

// The procedure of |window| and whether it exists, read under the lock.
bool GetWindowProcedure(HWND window, WNDPROC* procedure);
// Calls the window procedure on the calling thread; 0 when it is gone.
LRESULT CallProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Handle conversions.
inline uint64_t HandleValue(HWND window) {
  return reinterpret_cast<uintptr_t>(window);
}

}  // namespace port

#endif  // PORT_WINDOW_TABLE_H_
