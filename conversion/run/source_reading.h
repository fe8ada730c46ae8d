// The source step of a conversion run: the source file read whole, with room for the padding
// of a last swap word, so that a raw binary's bytes are swapped where they were read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/file_access.h"
#include "platform/large_buffer.h"

struct SourceBytes {
    LargeBuffer data;      // at least `size` + kSwapRoom bytes
    std::size_t size = 0;  // the source's
};

// The bytes a buffer holds past the source, for a last swap word's padding.
inline constexpr std::size_t kSwapRoom = 8;

// Reads the whole file at `path`, at the size it has when opened; 0 or the system's reason
// why it could not (a read that fails or comes short fails; more than kMaxImageSize bytes are
// FileProblem::TooLarge). A file that reports no size, such as a pipe or a character device,
// is read to its end instead.
SystemErrorCode ReadSource(const std::string& path, SourceBytes& source);

// Reads standard input to its end, as ReadToEnd does.
SystemErrorCode ReadStandardInputSource(SourceBytes& source);

// One read of at most `count` bytes, `done` 0 at the end; 0 or the system's reason.
using ReadSomeFunction =
    std::function<SystemErrorCode(void* buffer, std::size_t count, std::size_t& done)>;

// Reads with `readSome` until it delivers nothing. More than `maxSize` bytes fail with
// FileProblem::TooLarge (a stream without end, such as /dev/zero, ends there), memory that
// cannot be had with FileProblem::OutOfMemory; `source` is empty after a failure.
SystemErrorCode ReadToEnd(const ReadSomeFunction& readSome, std::uint64_t maxSize,
                          SourceBytes& source);
