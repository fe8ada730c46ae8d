// Generated lines handed over a block at a time, for writing a large text without holding it
// whole.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "conversion/core/generated_lines.h"

// Takes one block of whole lines; false stops the stream.
using LineBlockSink = std::function<bool(const char* text, std::size_t size)>;

// A sink that appends every block to `out`, for a text built in memory.
inline LineBlockSink AppendingTo(std::string& out) {
    return [&out](const char* text, std::size_t size) {
        out.append(text, size);
        return true;
    };
}

// Blocks of about 1 MiB suit writing to a file: each system call has a cost of its own, which
// fewer, larger writes share, and beyond that size the disk, not the calls, sets the pace.
// Blocks that stay in the processor's cache suit copying into memory: each block is read again
// at once, and should still be in the cache then (bench/README.md has the figures).
inline constexpr std::size_t kFileLineBlock = std::size_t{1020} << 10;
inline constexpr std::size_t kMemoryLineBlock = std::size_t{16} << 10;

// Calls `sink` with consecutive blocks of about `blockBytes` (at least one line each) that
// together are all the lines, in order. Returns false as soon as the sink refuses a block (no
// block follows it), true when every block was taken. Throws std::bad_alloc, before the first
// block, when the block cannot be allocated.
bool StreamGeneratedLines(const GeneratedLines& lines, const LineBlockSink& sink,
                          std::size_t blockBytes = kFileLineBlock);
