// Decides whether the offered version is an update for the installed one.
#ifndef APP_VERSION_CHECK_H_
#define APP_VERSION_CHECK_H_

#include <string>

// True when |installed| is empty or compares below |offered|; an installed
// text that is no valid version counts as all zeros.
bool IsNewerVersion(const std::string& offered, const std::string& installed);

#endif  // APP_VERSION_CHECK_H_
