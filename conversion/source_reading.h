// The source step of a conversion run: the binary file read whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/file_access.h"

struct SourceBytes {
    std::unique_ptr<std::uint8_t[]> data;
    std::size_t size = 0;
};

// Reads the whole file at `path`, at the size it has when opened; 0 or the system's reason
// why it could not (a read that fails or comes short fails).
SystemErrorCode ReadSource(const std::string& path, FileAccessFaults* faults, SourceBytes& source);
