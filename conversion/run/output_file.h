// A run's output file (the new UCF text of -o FILE, an extracted image): replaced whole or not
// at all.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "conversion/run/run_failure.h"
#include "platform/file_access.h"

// Takes the next piece of the output; 0 or the system's reason why it could not be written.
using OutputWrite = std::function<SystemErrorCode(const char* data, std::size_t size)>;
// Produces the whole output through `write`, in order; 0 or the first error.
using OutputProducer = std::function<SystemErrorCode(const OutputWrite& write)>;

// Writes the output to a file of its own beside `path` and then puts it in the place of
// `path` (a link's target, so that the link stays a link): a failure at any point leaves
// `path` as it was, and no half-written file behind. A device or a FIFO at `path`
// (`-o /dev/null`) is written into as it is, never replaced. `problemAfterwards`: what
// failed once the new file was in place (the flush of its folder).
RunFailure WriteOutputFile(const std::string& path, const OutputProducer& produce,
                           std::string& problemAfterwards);
