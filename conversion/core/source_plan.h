// The plan of a source's image before any memory is taken for it: its extent, its words under
// the memory's layout and the instances each lane needs, checked against what a run allows.
//
// A source's way to the lanes, one step at a time:
//   decode  ReadImageChunks: an image file into addressed chunks (a raw binary stays as its
//           bytes, an ELF file's chunks point into them);
//   plan    PlanImage: the chunks ordered and checked, the image's size; PlanSource and
//           CheckPlan: the words, the instances and the limits;
//   place, swap, words, lanes
//           LayOutLanes (conversion/core/lane_lines.h): the image placed from the base with
//           the fill in the gaps, its bytes reversed in swap words, taken as words and packed
//           into the lanes' bits, or for a byte-wide lane placed as it is.
#pragma once

#include <cstdint>
#include <string>

#include "conversion/core/memory_image.h"
#include "conversion/core/memory_layout.h"
#include "conversion/core/synthesizer_kind.h"

struct SourcePlan {
    std::uint64_t imageBytes = 0;  // from the base through the last byte given
    std::uint64_t bytes = 0;       // padded with zeros to whole swap words: what lanes take
    std::uint64_t words = 0;       // of the layout's lanes x width bits
    std::uint64_t instances = 0;   // each lane's
    std::uint64_t laneBytes = 0;   // the larger of a lane's data and parity bits
    // Where the data lies in the image: the lowest byte given above the base, and the fill
    // between the piece that ends the image and the pieces below it (0 when they meet).
    std::uint64_t firstData = 0;
    std::uint64_t lastGap = 0;
    std::string lastSection;  // the ELF section that ends the image, when the pieces are such
};

// The plan of an image of `imageBytes` bytes, its bytes reversed in words of `swapWidth`
// (1: not at all), under `layout`; `pieces` (planned by PlanImage from `base`) tell where
// its data lies, and may be null for a raw binary.
SourcePlan PlanSource(std::uint64_t imageBytes, const MemoryLayout& layout, unsigned swapWidth,
                      const ImageChunks* pieces = nullptr, std::uint64_t base = 0);

enum class PlanLimit {
    Within,
    TooLarge,          // the padded image or a lane's bits pass kMaxImageSize
    OneInstanceOnly,   // without a naming convention, every instance would have one name
    TooManyInstances,  // more instances in a lane than `maxInstances`
};

// The first limit the plan passes: `maxInstances` instances in a lane (0: no limit), one
// without a naming convention.
PlanLimit CheckPlan(const SourcePlan& plan, std::uint64_t maxInstances,
                    SynthesizerKind synthesizer);
