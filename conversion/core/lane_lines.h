// The lines of a memory laid out in lanes (see conversion/core/memory_layout.h): per lane, in
// the order of its components, instance by instance, the INIT_xx lines up to the one that
// holds the last word's data, then the INITP_xx lines up to the one that holds its parity,
// each line as GeneratedLines writes it. A lane's data bits are packed into one byte stream
// and its parity bits into another, so that each is written by today's line writer; today's
// layout (width 8, one lane) and any other one-lane layout without parity whose words are
// whole bytes need no packing at all: their lines are the source's bytes, as today.
//
// For the run: LayOutLanes once the source is read (and its bytes swapped), the counts for
// the fit check and the report, StreamWideLines after the kept text of every component
// (conversion/core/components_removal.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "conversion/core/generated_line_stream.h"
#include "conversion/core/generated_lines.h"
#include "conversion/core/memory_layout.h"
#include "conversion/core/synthesizer_kind.h"

// The source's words, held by the caller. Bytes (a raw binary, Intel HEX, S-record or ELF
// image): each word is `lanes x width / 8` bytes, least significant first, a short last word
// padded with zero bytes. Words (a hex word file): one word per entry, in its lowest
// `lanes x width` bits (a reader rejects wider words; bits above are ignored here).
struct WordImage {
    const std::uint8_t* bytes = nullptr;
    std::uint64_t byteCount = 0;
    const std::uint64_t* words = nullptr;
    std::uint64_t wordCount = 0;
    bool ofWords = false;  // the words, not the bytes (an empty vector's data may be null)

    static WordImage FromBytes(const std::uint8_t* data, std::uint64_t size) {
        return {data, size, nullptr, 0, false};
    }
    static WordImage FromWords(const std::uint64_t* words, std::uint64_t count) {
        return {nullptr, 0, words, count, true};
    }
};

// The number of words in the image under the layout (whose lanes x width, for bytes, is a
// multiple of 8: CheckByteLayout).
std::uint64_t ImageWordCount(const WordImage& image, const MemoryLayout& layout);

// The lines of one lane: its data bits as INIT_xx lines and its parity bits as INITP_xx
// lines, both under its component's instance names.
struct LaneLines {
    GeneratedLines data;
    GeneratedLines parity;  // size 0 for widths without parity
};

std::uint32_t LaneLineCount(const LaneLines& lane);
// The instances the lane fills; name them with InstanceName(lane.data, k).
std::uint32_t LaneInstanceCount(const LaneLines& lane);
// The exact size of the lane's lines together.
std::uint64_t LaneTextSize(const LaneLines& lane);

// Calls `sink` with consecutive blocks of about `blockBytes` (whole lines, at least one
// each) that together are the lane's lines in order; false as soon as the sink refuses one.
// A lane without parity goes straight through StreamGeneratedLines. Throws std::bad_alloc
// before the first block when the block cannot be allocated.
bool StreamLaneLines(const LaneLines& lane, const LineBlockSink& sink,
                     std::size_t blockBytes = kFileLineBlock);

// Every lane's lines, with the packed bits they point into. Movable, not copyable: the
// lanes point into its own buffers (and into the caller's source bytes and component names,
// which must outlive it).
struct WideLines {
    MemoryLayout layout;
    std::uint64_t words = 0;  // each lane's
    std::vector<LaneLines> lanes;
    std::vector<std::unique_ptr<std::uint8_t[]>> packed;  // the packed bits, when packed
};

// Lays the image's words out in `layout.lanes` lanes named by `components` (one per lane, in
// lane order). The layout must pass CheckLayout (CheckByteLayout for bytes). Packing takes
// one pass over the image and memory for about its size, except where no packing is needed
// (see above). Throws std::length_error when a lane's bits exceed 4 GiB - 1 bytes,
// std::invalid_argument when the components do not match the lanes or the layout fails its
// check, std::bad_alloc when there is no memory for the packed bits.
WideLines LayOutLanes(const WordImage& image, const MemoryLayout& layout,
                      std::span<const std::string_view> components, SynthesizerKind synthesizer);

std::uint64_t WideTextSize(const WideLines& lines);
// Every lane's lines, lane by lane, in blocks as StreamLaneLines gives them.
bool StreamWideLines(const WideLines& lines, const LineBlockSink& sink,
                     std::size_t blockBytes = kFileLineBlock);
