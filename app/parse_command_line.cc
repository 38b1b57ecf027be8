#include "app/parse_command_line.h"

#include <windows.h>

#include "app/startup_state.h"
#include "base/command_line.h"
#include "base/string_number_conversions.h"
#include "base/sys_string_conversions.h"
#include "base/win/wide_text.h"

void ParseCommandLine() {
  ParseCommandLineText(AsChar16(GetCommandLineW()));
}

void ParseCommandLineText(const std::u16string& command_line) {
  g_manifestUrl = kDefaultManifestUrl;
  g_hostExeName = u"Mirovue.exe";
  base::CommandLine parsed(command_line);
  g_launchArgs = parsed.IsSet("auto") ? u"-launch -auto" : u"-launch";

  std::u16string url = parsed.Value("url");
  if (!url.empty())
    g_manifestUrl = base::WideToAnsi(url);

  // Number switches keep whatever a failed parse leaves: "123abc" is 123.
  std::u16string hwnd = parsed.Value("hwnd");
  if (!hwnd.empty())
    base::ParseUint(hwnd, &g_hostWindow);
  std::u16string pid = parsed.Value("pid");
  if (!pid.empty())
    base::ParseUint(pid, &g_hostProcessId);
  std::u16string notify = parsed.Value("notify");
  if (!notify.empty()) {
    int32_t value = 0;
    base::ParseInt(notify, &value);
    g_notify = value != 0;
  }
}
