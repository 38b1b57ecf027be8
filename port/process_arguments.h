// The program's arguments as the entry point received them, kept so that
// GetCommandLineW can give the whole command line as Windows would.
// Set once by main() before anything else runs; read-only afterwards.
#ifndef PORT_PROCESS_ARGUMENTS_H_
#define PORT_PROCESS_ARGUMENTS_H_

#include <string>

namespace port {

void SetProcessArguments(int argc, char** argv);

// The arguments after the program, joined with Windows quoting: what
// wWinMain receives as its command-line text.
const std::u16string& CommandLineTail();

}  // namespace port

#endif  // PORT_PROCESS_ARGUMENTS_H_
