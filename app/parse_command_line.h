// Reads the switches the host started the updater with into the start-up
// state. Main thread, once, before the update check.
#ifndef APP_PARSE_COMMAND_LINE_H_
#define APP_PARSE_COMMAND_LINE_H_

#include <string>

// Parses the process's own command line.
void ParseCommandLine();

// The same for a given full command line (program first); unknown switches
// and ordinary arguments are ignored, malformed numbers degrade.
void ParseCommandLineText(const std::u16string& command_line);

#endif  // APP_PARSE_COMMAND_LINE_H_
