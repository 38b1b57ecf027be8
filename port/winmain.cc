// The Linux entry point: keeps the arguments for GetCommandLineW and calls
// the program's Windows entry function as the C runtime would.
#include <windows.h>

#include <string>

#include "port/process_arguments.h"

int WINAPI wWinMain(HINSTANCE instance,
                    HINSTANCE previous,
                    LPWSTR command_line,
                    int show_command);

int main(int argc, char** argv) {
  port::SetProcessArguments(argc, argv);
  std::u16string tail = port::CommandLineTail();
  return wWinMain(nullptr, nullptr, &tail[0], SW_SHOWDEFAULT);
}
