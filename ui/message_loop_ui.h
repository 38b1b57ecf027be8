// The UI thread's window-message loop, with the filter and idle hooks that
// windows may register with it. One per UI thread; that thread only.
#ifndef UI_MESSAGE_LOOP_UI_H_
#define UI_MESSAGE_LOOP_UI_H_

#include <windows.h>

#include <vector>

// Sees each message before it is dispatched; true consumes it.
class CMessageFilter {
 public:
  virtual BOOL PreTranslateMessage(MSG* msg) = 0;

 protected:
  ~CMessageFilter() = default;
};

// Called while no message waits; false asks for no further idle calls
// until the next message that counts as activity.
class CIdleHandler {
 public:
  virtual BOOL OnIdle() = 0;

 protected:
  ~CIdleHandler() = default;
};

class CMessageLoop {
 public:
  void AddMessageFilter(CMessageFilter* filter) { m_filters.push_back(filter); }
  void AddIdleHandler(CIdleHandler* handler) {
    m_idleHandlers.push_back(handler);
  }

  // Runs until WM_QUIT and returns its exit code.
  int Run();

 private:
  // The last registered filter sees the message first.
  BOOL PreTranslateMessage(MSG* msg);
  BOOL OnIdle();
  // Moves, paints and the caret blink do not end an idle period.
  static bool IsIdleMessage(const MSG& msg);

  std::vector<CMessageFilter*> m_filters;
  std::vector<CIdleHandler*> m_idleHandlers;
};

#endif  // UI_MESSAGE_LOOP_UI_H_
