// Short English reasons for failed system calls, the same words in every
// build (Windows' own message texts follow the user's language).
#ifndef PUKAVRO_SYSTEM_ERROR_H
#define PUKAVRO_SYSTEM_ERROR_H

#include <string>

// The reason for the calling thread's last failure: errno's, or on Windows
// GetLastError's, e.g. "No space left on device".
std::string LastErrorText(void);

// The same for an error code kept from such a failure (errno, GetLastError).
std::string SystemErrorText(int error);

#ifdef _WIN32
std::string WindowsErrorText(unsigned long error);
#endif

#endif
