// The images of the updater's icon (group 128): 256 pixels as PNG, then 48,
// 32 and 16 pixels as 32-bit BGRA rows, top row first.
#ifndef UI_ICON_DATA_POSIX_H_
#define UI_ICON_DATA_POSIX_H_

#include "port/resources.h"

extern const port::IconImage kUpdaterIconImages[4];

#endif  // UI_ICON_DATA_POSIX_H_
