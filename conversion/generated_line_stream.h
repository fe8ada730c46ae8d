// Generated lines handed over a block at a time, for writing a large text without holding it
// whole.
#pragma once

#include <cstddef>
#include <functional>

#include "conversion/generated_lines.h"

// Takes one block of whole lines; false stops the stream.
using LineBlockSink = std::function<bool(const char* text, std::size_t size)>;

// Calls `sink` with consecutive blocks that together are all the lines,
// in order. Returns false as soon as the sink refuses a block (no block follows it), true
// when every block was taken. Throws std::bad_alloc, before the first block, when the blocks
// cannot be allocated.
bool StreamGeneratedLines(const GeneratedLines& lines, const LineBlockSink& sink);
