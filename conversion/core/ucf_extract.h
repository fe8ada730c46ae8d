// The other direction: the image that a UCF's INIT_xx and INITP_xx lines of a memory's
// components hold, under a naming convention and a layout (conversion/core/memory_layout.h).
//
// A line counts when the removal of the command line would take it for a component (INST at
// its start after blanks, an instance name as conversion/core/instance_names.h reads it, plain
// or quoted) and its attribute is INIT_ or INITP_ (any case) with hex digits up to a blank or
// "=". Its instance must be one of the chain's names (ram, ram_1, ... or ram0, ram1, ...;
// under no convention the component alone), its attribute one of the block RAM's (two digits,
// INIT_00 up to the last line of an instance, INITP_xx only for widths with parity), its value
// 64 hex digits (any case) after "=", then blanks and ";" or the line's end. Other lines of
// the instances (a placement) are passed over.
//
// The image runs through the last word that the last INIT_xx line present holds, in any
// lane, so whole lines come back (the original length is not stored); every lane has that
// many words. Lines missing before it read as zeros and are counted. The lines are planned
// before memory is taken for the image: how many instances they name, and that the image
// stays within kMaxImageSize.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/core/memory_layout.h"
#include "conversion/core/synthesizer_kind.h"

enum class ExtractedFormat {
    Raw,       // each word lanes x width / 8 bytes, least significant first (whole bytes only)
    HexWords,  // one word per line ("\n"), upper-case, as many digits as lanes x width needs
};

enum class ExtractFailure {
    None,
    NoLines,                   // no INIT_xx or INITP_xx line of any component
    NotAnInstanceName,         // e.g. ram_01 or ram_0 under Synopsys
    AttributeOutsideGeometry,  // e.g. INIT_40 with 16k, INITP_08 with 16k, INITP_00 with width 8
    BadValue,                  // not 64 hex digits
    GivenTwice,                // one instance's attribute on two lines
    ImageTooLarge,             // the lines would make an image of more than 4 GiB - 1 bytes
    TooManyInstances,          // the lines name more instances in a lane than allowed
};

// What one component's lines gave, for the report line
// "ram: read 33 lines of 3 instances (ram .. ram_2), 1056 bytes".
struct LaneReading {
    std::uint64_t linesRead = 0;  // its INIT_xx and INITP_xx lines
    std::uint64_t instances = 0;  // the instances they belong to
    std::string firstInstance;    // the lowest and highest of those, when there are any
    std::string lastInstance;
    std::uint64_t bits = 0;  // the lane's share of the image: words x width
};

struct ExtractedImage {
    ExtractFailure failure = ExtractFailure::None;
    // The reason, for "UCF file:", the path and it, e.g. "line 12: INIT_40 is not an attribute
    // of a 16-Kbit block RAM (INIT_00 .. INIT_3F, INITP_00 .. INITP_07)".
    std::string reason;
    std::uint64_t failedLine = 0;  // the UCF line (from 1) it is about; 0 for NoLines

    MemoryLayout layout;
    ExtractedFormat format = ExtractedFormat::Raw;
    std::uint64_t words = 0;  // of lanes x width bits
    // The instances of each lane up to the last one a line names, and that one's name: what
    // TooManyInstances counts.
    std::uint64_t instances = 0;
    std::string lastInstance;
    std::vector<LaneReading> lanes;  // per component, in the order given
    // Each lane's data and parity bits, packed as the lines hold them.
    std::vector<std::string> dataBits, parityBits;

    // Lines before the image's end that the UCF lacks: they read as zeros. The first one in
    // the order a conversion writes them, e.g. "ram_1 INIT_05".
    std::uint64_t missingLines = 0;
    std::string firstMissing;
    // INITP_xx lines with parity bits past the image's last word that are not zero (the
    // image ends with the last INIT_xx line): those bits are not in the image.
    std::uint64_t ignoredParityLines = 0;
    std::string firstIgnoredParity;

    bool Succeeded() const { return failure == ExtractFailure::None; }
};

// Reads the image's lines and plans it. The layout must pass CheckExtractedLayout and there
// must be one component per lane (else std::invalid_argument); components whose names overlap
// (FindOverlappingComponents) should be refused before: a line goes to the first that
// matches. More than `maxInstances` instances in a lane (0: no limit) fail before any memory
// is taken for the image. Throws std::bad_alloc when the lanes' bits cannot be held.
ExtractedImage ExtractImage(std::string_view ucfText, std::span<const std::string_view> components,
                            SynthesizerKind synthesizer, const MemoryLayout& layout,
                            ExtractedFormat format, std::uint64_t maxInstances = 0);

// The size of the image that WriteExtractedImage writes.
std::uint64_t ExtractedImageSize(const ExtractedImage& extracted);

// The image in its format, a block of whole words at a time; a raw image's bytes reversed in
// words of `swapWidth` (1: as they are), as a conversion takes them. False as soon as `sink`
// refuses a block. Throws std::bad_alloc when the block cannot be had.
using ImageBlockSink = std::function<bool(const char* bytes, std::size_t size)>;
bool WriteExtractedImage(const ExtractedImage& extracted, unsigned swapWidth,
                         const ImageBlockSink& sink);

// The warnings for stderr: the missing lines ("3 lines before the image's end are missing
// from the UCF, the first ram_1 INIT_05; they read as zeros") and the ignored parity.
std::vector<std::string> ExtractWarnings(const ExtractedImage& extracted);
