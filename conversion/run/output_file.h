// A run's output file (the new UCF text of -o FILE, an extracted image): replaced whole or not
// at all, and never one of the files the run reads.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "conversion/run/conversion_request.h"
#include "conversion/run/run_failure.h"
#include "platform/file_access.h"

// Takes the next piece of the output; 0 or the system's reason why it could not be written.
using OutputWrite = std::function<SystemErrorCode(const char* data, std::size_t size)>;
// Produces the whole output through `write`, in order; 0 or the first error.
using OutputProducer = std::function<SystemErrorCode(const OutputWrite& write)>;

// Writes the output as the shell's `>` would, but whole or not at all: to a file of its own
// beside the file `path` leads to (through any symbolic links, dangling ones included, which
// stay links), which then takes that file's place. A failure at any point leaves `path` as it
// was, and no half-written file behind. A file the user cannot write is refused; the new file
// gets the old one's permission bits, without set-user-ID and set-group-ID. A device or a FIFO
// at `path` (`-o /dev/null`) is written into as it is, never replaced. `problemAfterwards`:
// what failed once the new file was in place (the flush of its folder).
RunFailure WriteOutputFile(const std::string& path, const OutputProducer& produce,
                           std::string& problemAfterwards);

// A file the run reads, as the refusal names it.
struct RunInput {
    std::string path;
    const char* what;  // "the source", "the UCF", ...
};
// Refuses an output that is one of `inputs` (the same file through any name), or that names
// `reservedPath` (the UCF's rollback journal, which may not exist yet).
RunFailure CheckOutputIsNoInput(const std::string& output, const std::vector<RunInput>& inputs,
                                const std::string& reservedPath, const char* reservedWhat);

// The same for a run's output: never its source (unless that is standard input), its UCF, the
// UCF's rollback journal or its EDIF file.
RunFailure CheckOutputIsNoInputOf(const std::string& output, const ConversionRequest& request,
                                  bool sourceFromStandardInput);
