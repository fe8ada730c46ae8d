// The INIT lines that hold a source's bytes: one line per 32 bytes (and one for a shorter
// rest), a block RAM instance's worth of lines INIT_00, INIT_01, ... per instance (sixteen
// for the 4-Kbit block RAM the dialog writes for). Lines can be written a range at a time,
// so that a caller can produce a large text in pieces. The same lines with INITP_ in place
// of INIT_ hold a wide memory's parity bits (see conversion/core/lane_lines.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "conversion/core/synthesizer_kind.h"

// Lines per instance of the block RAMs the lines can be written for: 4, 16 and 32 Kbit of data.
inline constexpr std::uint32_t kLinesPerInstance4k = 16;    // INIT_00 .. INIT_0F
inline constexpr std::uint32_t kLinesPerInstance16k = 64;   // INIT_00 .. INIT_3F
inline constexpr std::uint32_t kLinesPerInstance32k = 128;  // INIT_00 .. INIT_7F
inline constexpr std::uint32_t kBytesPerLine = 32;

inline bool IsLinesPerInstance(std::uint32_t n) {
    return n == kLinesPerInstance4k || n == kLinesPerInstance16k || n == kLinesPerInstance32k;
}

// The attribute the lines set: INIT_xx (data bits) or INITP_xx (parity bits).
enum class LineAttribute : unsigned char { Init, InitP };

struct GeneratedLines {
    const std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    std::string_view component;  // as typed: the instance names start with it
    SynthesizerKind synthesizer = SynthesizerKind::Synopsys;
    // One of the three above for INIT_xx lines, an eighth of it (2, 8 or 16) for INITP_xx
    // lines; the attribute names stay two hex digits.
    std::uint32_t linesPerInstance = kLinesPerInstance4k;
    LineAttribute attribute = LineAttribute::Init;
    // INST "NAME" ...: the instance name in double quotes, as other tools write it.
    bool quotedNames = false;
};

std::uint32_t GeneratedLineCount(const GeneratedLines& lines);
// The instances the lines fill (named as conversion/core/instance_names.h writes them).
std::uint32_t GeneratedInstanceCount(const GeneratedLines& lines);
// The exact size of all lines together, counted wide so that a 32-bit build cannot wrap.
std::uint64_t GeneratedTextSize(const GeneratedLines& lines);
// No line is longer than this.
std::size_t LongestGeneratedLine(const GeneratedLines& lines);

// Writes lines first .. first + count - 1 at `out`, which must have room for
// count * LongestGeneratedLine(lines) bytes, and returns the end of what it wrote.
char* WriteGeneratedLines(const GeneratedLines& lines, std::uint32_t first, std::uint32_t count,
                          char* out);
