// The lines of a memory laid out in lanes (see conversion/core/memory_layout.h): per lane, in
// the order of its components, instance by instance, the INIT_xx lines up to the one that
// holds the last word's data, then the INITP_xx lines up to the one that holds its parity,
// each line as GeneratedLines writes it. A lane's data bits are packed into one byte stream
// and its parity bits into another, so that each is written by the one line writer; a lane of
// whole bytes without parity (the dialog's byte-wide memory among them) needs no packing: its
// lines are the image's bytes.
//
// This is the last step of the source's way (conversion/core/source_pipeline.h): the image,
// placed, swapped, taken as words and packed into lanes, in one pass that holds no second copy
// of the image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "conversion/core/generated_line_stream.h"
#include "conversion/core/generated_lines.h"
#include "conversion/core/memory_image.h"
#include "conversion/core/memory_layout.h"
#include "conversion/core/synthesizer_kind.h"

// The image the lanes take their words from: each word in WordBytes(layout) bytes, least
// significant first, the bits above the word's ignored, a short last word padded with zero
// bytes. Either bytes held by the caller, taken as they are, or the pieces of an image that
// PlanImage planned, placed from `base` with `fill` in the gaps and their bytes reversed in
// words of `swapWidth` (1: as they are); `byteCount` is then the image's size with the zero
// padding of its last swap word.
struct WordImage {
    const std::uint8_t* bytes = nullptr;
    const ImageChunks* pieces = nullptr;
    std::uint64_t base = 0;
    std::uint8_t fill = 0;
    unsigned swapWidth = 1;
    std::uint64_t byteCount = 0;

    static WordImage FromBytes(const std::uint8_t* data, std::uint64_t size) {
        return {data, nullptr, 0, 0, 1, size};
    }
    static WordImage FromPieces(const ImageChunks& chunks, std::uint64_t base, std::uint8_t fill,
                                unsigned swapWidth, std::uint64_t byteCount) {
        return {nullptr, &chunks, base, fill, swapWidth, byteCount};
    }
};

// The number of words in the image under the layout.
std::uint64_t ImageWordCount(const WordImage& image, const MemoryLayout& layout);

// The lines of one lane: its data bits as INIT_xx lines and its parity bits as INITP_xx
// lines, both under its component's instance names.
struct LaneLines {
    GeneratedLines data;
    GeneratedLines parity;  // size 0 for widths without parity
};

std::uint32_t LaneLineCount(const LaneLines& lane);
// The instances the lane fills; name them with InstanceName(lane.data.component, ...).
std::uint32_t LaneInstanceCount(const LaneLines& lane);
// The exact size of the lane's lines together.
std::uint64_t LaneTextSize(const LaneLines& lane);

// Calls `sink` with consecutive blocks of about `blockBytes` (whole lines, at least one
// each) that together are the lane's lines in order; false as soon as the sink refuses one.
// A lane without parity goes straight through StreamGeneratedLines. Throws std::bad_alloc
// before the first block when the block cannot be allocated.
bool StreamLaneLines(const LaneLines& lane, const LineBlockSink& sink,
                     std::size_t blockBytes = kFileLineBlock);

// Every lane's lines, with the bits they point into. Movable, not copyable: the lanes point
// into its own buffers (and into the caller's image bytes and component names, which must
// outlive it).
struct WideLines {
    MemoryLayout layout;
    std::uint64_t words = 0;  // each lane's
    std::vector<LaneLines> lanes;
    // The lanes' bits: packed, or the image placed, unless the lines are the caller's bytes.
    std::vector<std::unique_ptr<std::uint8_t[]>> packed;
};

// Lays the image's words out in `layout.lanes` lanes named by `components` (one per lane, in
// lane order), with quoted instance names when asked. The layout must pass CheckLayout.
// Memory is taken for the lanes' bits alone (none when the lines are the caller's bytes).
// Throws std::length_error when a lane's bits exceed kMaxImageSize bytes,
// std::invalid_argument when the components do not match the lanes or the layout fails its
// check, std::bad_alloc when there is no memory for the bits.
WideLines LayOutLanes(const WordImage& image, const MemoryLayout& layout,
                      std::span<const std::string_view> components, SynthesizerKind synthesizer,
                      bool quotedNames = false);

std::uint64_t WideTextSize(const WideLines& lines);
// Every lane's lines, lane by lane, in blocks as StreamLaneLines gives them.
bool StreamWideLines(const WideLines& lines, const LineBlockSink& sink,
                     std::size_t blockBytes = kFileLineBlock);
