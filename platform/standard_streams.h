// The process's standard input and output as byte streams (never translated, also on
// Windows), for runs that read from a pipe or write to one.
#pragma once

#include <cstddef>
#include <string>

#include "platform/file_access.h"

// Opens /dev/null on each of the descriptors 0 to 2 that is closed, before the program opens
// any file (POSIX; nothing to do on Windows).
void OpenMissingStandardDescriptors();

// One read of at most `count` bytes from standard input; `done` receives how many came, 0 at
// its end (a closed or missing input included). 0 or the system's reason.
SystemErrorCode ReadStandardInput(void* buffer, std::size_t count, std::size_t& done);

// Writes all `count` bytes to standard output; 0 or the system's reason.
SystemErrorCode WriteStandardOutput(const void* data, std::size_t count);
