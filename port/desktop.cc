// The current desktop, and the headless one the program uses by default:
// the notification area takes every icon, balloons and message boxes are
// written to standard error as "<caption>: <text>" lines and boxes are
// answered at once, popup menus choose nothing.
#include "port/desktop.h"

#include <stdio.h>

#include <atomic>
#include <string>

#include "base/utf_string_conversions.h"

namespace port {

namespace {

// The answer of a headless box: its first button.
int FirstButton(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_ABORTRETRYIGNORE:
      return IDABORT;
    case MB_YESNOCANCEL:
    case MB_YESNO:
      return IDYES;
    case MB_RETRYCANCEL:
      return IDRETRY;
    default:
      return IDOK;
  }
}

void WriteLine(const std::u16string& caption, const std::u16string& text) {
  std::string line =
      base::UTF16ToUTF8(caption) + ": " + base::UTF16ToUTF8(text) + "\n";
  // One write per line, so that lines of two threads never interleave.
  fwrite(line.data(), 1, line.size(), stderr);
  fflush(stderr);
}

class HeadlessDesktop : public Desktop {
 public:
  bool AcceptsNotifyIcon(HWND, UINT) override { return true; }

  void ShowBalloon(const Balloon& balloon) override {
    // An empty text takes a balloon down instead of showing one.
    if (!balloon.text.empty())
      WriteLine(balloon.title, balloon.text);
  }

  void OpenPrompt(const std::shared_ptr<ModalPrompt>& prompt) override {
    if (prompt->kind == ModalPrompt::Kind::kMessageBox) {
      WriteLine(prompt->caption, prompt->text);
      prompt->Answer(FirstButton(prompt->type));
    } else {
      prompt->Answer(0);
    }
  }

  ShellVersion GetShellVersion() override { return ShellVersion(); }
};

std::atomic<Desktop*> g_installed{nullptr};

}  // namespace

Desktop& CurrentDesktop() {
  static HeadlessDesktop* headless = new HeadlessDesktop;
  Desktop* installed = g_installed.load();
  return installed ? *installed : *headless;
}

void InstallDesktop(Desktop* desktop) {
  g_installed.store(desktop);
}

}  // namespace port
