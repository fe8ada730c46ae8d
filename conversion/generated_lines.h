// The INIT lines that hold a source's bytes: one line per 32 bytes (and one for a shorter
// rest), sixteen lines INIT_00 .. INIT_0F per block RAM instance. Lines can be written a
// range at a time, so that a caller can produce a large text in pieces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "conversion/synthesizer_kind.h"

struct GeneratedLines {
    const std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    std::string_view component;  // as typed: the instance names start with it
    SynthesizerKind synthesizer = SynthesizerKind::Synopsys;
};

std::uint32_t GeneratedLineCount(const GeneratedLines& lines);
// The instances the lines fill, and the name of instance `k` (the component and its suffix).
std::uint32_t GeneratedInstanceCount(const GeneratedLines& lines);
std::string InstanceName(const GeneratedLines& lines, std::uint32_t k);
// The exact size of all lines together, counted wide so that a 32-bit build cannot wrap.
std::uint64_t GeneratedTextSize(const GeneratedLines& lines);
// No line is longer than this.
std::size_t LongestGeneratedLine(const GeneratedLines& lines);

// Writes lines first .. first + count - 1 at `out`, which must have room for
// count * LongestGeneratedLine(lines) bytes, and returns the end of what it wrote.
char* WriteGeneratedLines(const GeneratedLines& lines, std::uint32_t first, std::uint32_t count,
                          char* out);
