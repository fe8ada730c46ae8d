// How a memory wider (or narrower) than a byte lies in block RAM instances. The image is a
// sequence of words of `lanes x width` bits; lane i is bits i*width .. (i+1)*width-1 of each
// word (lane 0 the lowest) and has a component, and so a chain of instances, of its own. Of a
// lane's `width` bits the lowest d are data bits and the highest p parity bits (9: 8+1,
// 18: 16+2, 36: 32+4; p = 0 for the other widths). One instance holds bits / d words (bits =
// 4096, 16384 or 32768): word j of an instance has its data bits at bits j*d .. j*d+d-1 of the
// instance's INIT_xx bits, bit 0 the lowest bit of the rightmost digit of INIT_00, and its
// parity bits at j*p .. j*p+p-1 of its INITP_xx bits, numbered the same way. Width 8 and one
// lane is the dialog's byte-wide layout: instance k holds bytes k*B .. (k+1)*B-1.
#pragma once

#include <cstdint>
#include <string>

#include "conversion/core/generated_lines.h"

inline constexpr unsigned kMaxLanes = 64;     // components given at once
inline constexpr unsigned kMaxWordBits = 64;  // lanes x width

struct MemoryLayout {
    // INIT_xx lines per instance: kLinesPerInstance4k, 16k or 32k (4096, 16384 or 32768 bits).
    std::uint32_t linesPerInstance = kLinesPerInstance4k;
    unsigned width = 8;  // bits of one lane's word
    unsigned lanes = 1;  // components

    friend bool operator==(const MemoryLayout&, const MemoryLayout&) = default;
};

inline unsigned ParityBits(unsigned width) {
    return width == 9 ? 1 : width == 18 ? 2 : width == 36 ? 4 : 0;
}
inline unsigned DataBits(unsigned width) {
    return width - ParityBits(width);
}
inline unsigned WordBits(const MemoryLayout& layout) {
    return layout.lanes * layout.width;
}
// The bytes that hold one word in an image, least significant first: a word of whole bytes
// fills them, a hex word file's word of other widths leaves the highest bits of its last byte
// unused.
inline unsigned WordBytes(const MemoryLayout& layout) {
    return (WordBits(layout) + 7) / 8;
}
inline std::uint64_t BitsPerInstance(const MemoryLayout& layout) {
    return std::uint64_t{layout.linesPerInstance} * kBytesPerLine * 8;
}
inline std::uint64_t WordsPerInstance(const MemoryLayout& layout) {
    return BitsPerInstance(layout) / DataBits(layout.width);
}
// INITP_xx lines per instance: an eighth of the INIT_xx lines (none in a 4-Kbit block RAM's
// widths, which have no parity).
inline std::uint32_t ParityLinesPerInstance(const MemoryLayout& layout) {
    return layout.linesPerInstance / 8;
}
// The instances each lane needs for `words` words (what --max-instances counts).
inline std::uint64_t LaneInstancesNeeded(std::uint64_t words, const MemoryLayout& layout) {
    const std::uint64_t perInstance = WordsPerInstance(layout);
    return words / perInstance + (words % perInstance != 0 ? 1 : 0);
}

// Why a layout, or a layout with the file its words come from or go to, cannot be used.
enum class LayoutProblem {
    None,
    BadBlockRamSize,    // linesPerInstance is not one of the three sizes
    WidthNotAllowed,    // not one of the widths of that block RAM size
    LaneCount,          // not 1 to kMaxLanes lanes
    WordTooWide,        // lanes x width above kMaxWordBits
    NotWholeBytes,      // words that are no whole bytes come from, or go to, hex words only
    SwapNotWholeBytes,  // bytes are swapped in words of whole bytes only
    HexWordsSwapped,    // an extracted hex word file has no bytes to swap
};

// The widths one lane may have: 1, 2, 4, 8, 16 for 4 Kbit; 1, 2, 4, 8, 9, 16, 18, 32, 36 for
// 16 and 32 Kbit.
bool IsAllowedWidth(unsigned width, std::uint32_t linesPerInstance);
// "1, 2, 4, 8 or 16": the list above, for messages.
std::string AllowedWidthsText(std::uint32_t linesPerInstance);
// "4k", "16k" or "32k".
std::string BlockRamSizeName(std::uint32_t linesPerInstance);

// The first problem of the layout itself, or None.
LayoutProblem CheckLayout(const MemoryLayout& layout);
// The same, for words read from a source: a hex word file (`hexWords`) gives words of any
// width, the other formats give bytes; their bytes reversed in words of `swapWidth` (1: not
// swapped), which needs words of whole bytes.
LayoutProblem CheckSourceLayout(const MemoryLayout& layout, bool hexWords, unsigned swapWidth);
// The same, for an image extracted into a hex word file (`hexWords`) or raw bytes, reversed
// in words of `swapWidth` (1: not swapped).
LayoutProblem CheckExtractedLayout(const MemoryLayout& layout, bool hexWords, unsigned swapWidth);
