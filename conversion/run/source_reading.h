// The source step of a conversion run: the binary file read whole, and an image file (Intel
// HEX, S-records, ELF, hex words) turned into the memory image it describes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>

#include "conversion/run/conversion_options.h"
#include "conversion/run/conversion_outcome.h"
#include "platform/file_access.h"
#include "platform/large_buffer.h"

struct SourceBytes {
    LargeBuffer data;      // at least `size` bytes
    std::size_t size = 0;  // the source's
    // The bytes are a hex word file's words, each in (lanes x width + 7) / 8 bytes, least
    // significant first (words that are no whole bytes are taken from them).
    bool hexWords = false;
};

// The rewriter counts the source's bytes in 32 bits: 4 GiB - 1 at most.
inline constexpr std::uint64_t kMaxSourceSize = std::numeric_limits<std::uint32_t>::max();

// Reads the whole file at `path`, at the size it has when opened; 0 or the system's reason
// why it could not (a read that fails or comes short fails). A file that reports no size,
// such as a pipe or a character device, is read to its end instead.
SystemErrorCode ReadSource(const std::string& path, SourceBytes& source);

// Turns the bytes read from the source into the memory image, when the options' format (for
// ImageFormat::Auto, the file name at `path`) says they are an image file; a raw binary stays
// as it is, untouched and uncopied. The image starts at `options.base` and has
// `options.fill` in its gaps (in every byte of a word). Hex words are read at the options'
// lanes x width bits. False, with `source` empty, when the file is malformed or the
// image cannot be made: `outcome.reason` says why (naming the line), `outcome.error` too for an
// image over kMaxSourceSize or memory that cannot be had. After a success
// `outcome.sourceDescription` says what the image was.
bool DecodeSourceImage(const std::string& path, const ConversionOptions& options,
                       SourceBytes& source, ConversionOutcome& outcome);

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
