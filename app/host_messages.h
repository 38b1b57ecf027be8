// The messages that tell the host window how an update goes. They are
// posted, never sent, so neither thread ever waits for the host.
#ifndef APP_HOST_MESSAGES_H_
#define APP_HOST_MESSAGES_H_

#include <stdint.h>

constexpr uint32_t WM_HOST_UPDATE_AVAILABLE = 1024 + 100;
constexpr uint32_t WM_HOST_UP_TO_DATE = 1024 + 101;
constexpr uint32_t WM_HOST_UPDATE_VERIFIED = 1024 + 102;
constexpr uint32_t WM_HOST_UPDATE_FAILED = 1024 + 103;

// Posts |message| to the host window, when one was given; a window that has
// gone is ignored. Any thread.
void NotifyHost(uint32_t message);

#endif  // APP_HOST_MESSAGES_H_
