// Feeds the image file readers any bytes, in each format and with byte-wide or wider hex
// words, and checks what must hold for every input: no crash, an error or an image within the
// 4 GiB - 1 limit, and in that image every chunk's bytes at their address with the fill
// everywhere no chunk reaches; the plan's words and instances are those of the image, and the
// lanes laid out from the pieces are those of the image placed whole.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string_view>
#include <vector>

#include "conversion/core/byte_order.h"
#include "conversion/core/image_format.h"
#include "conversion/core/lane_lines.h"
#include "conversion/core/memory_image.h"
#include "conversion/core/source_plan.h"
#include "conversion/core/ucf_rewriter.h"

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "image reader property violated: %s\n", what);
        std::abort();
    }
}

// Images larger than this are planned but not made, to keep each run quick.
constexpr std::uint64_t kLargestMade = std::uint64_t{1} << 22;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size < 3) return 0;
    const ImageFormat formats[] = {ImageFormat::IntelHex, ImageFormat::SRecord, ImageFormat::Elf,
                                   ImageFormat::HexWords};
    const ImageFormat format = formats[bytes[0] & 3];
    // Low bases, so that data falls both below and above them.
    const std::uint64_t base = (bytes[0] & 0x80) != 0 ? std::uint64_t{bytes[1]} << 4 : 0;
    const std::uint8_t fill = bytes[2];
    const std::uint8_t* file = bytes + 3;
    const std::size_t fileSize = size - 3;

    // The choice by name never looks at more than the bytes it is given.
    ChosenFormat(ImageFormat::Auto, "x.hex", false, file, fileSize);

    // Hex words as wide as a memory in lanes has them (byte-wide a quarter of the time).
    const unsigned width = (bytes[1] & 0xC0) == 0 ? 8 : 1 + bytes[1] % 64;
    const unsigned wordBytes = (width + 7) / 8;

    ImageChunks chunks;
    std::uint64_t imageSize = 0;
    ImageError error = ReadImageChunks(format, file, fileSize, chunks, width);
    if (error) return 0;
    for (const ImageChunk& chunk : chunks.chunks) {
        const std::size_t room = chunks.external != nullptr ? fileSize : chunks.decoded.size();
        Require(chunk.offset <= room && chunk.size <= room - chunk.offset,
                "chunks lie within their bytes");
        // Hex words: whole words in their bytes, no bit above the width.
        if (format == ImageFormat::HexWords) {
            Require(chunk.size % wordBytes == 0, "a word in whole bytes");
            for (std::size_t at = wordBytes - 1; at < chunk.size && width % 8 != 0; at += wordBytes)
                Require(chunks.Bytes()[chunk.offset + at] >> (width % 8) == 0,
                        "words fit their width");
        }
    }
    error = PlanImage(chunks, base, imageSize);
    if (error) {
        Require(!error.reason.empty(), "a failure says why");
        return 0;
    }
    Require(imageSize <= kMaxImageSize, "the image is within the limit");
    if (imageSize > kLargestMade) return 0;
    std::vector<std::uint8_t> image(static_cast<std::size_t>(imageSize));
    std::vector<bool> given(image.size(), false);
    PlacedBytes(chunks, base, fill).Take(image.data(), image.size());
    for (const ImageChunk& chunk : chunks.chunks) {
        Require(chunk.address >= base, "no chunk below the base");
        const std::uint64_t start = chunk.address - base;
        Require(start + chunk.size <= imageSize, "every chunk within the image");
        for (std::size_t i = 0; i < chunk.size; ++i) {
            Require(image[start + i] == chunks.Bytes()[chunk.offset + i],
                    "a chunk's bytes at its address");
            given[start + i] = true;
        }
    }
    for (std::size_t i = 0; i < image.size(); ++i)
        Require(given[i] || image[i] == fill, "the fill where no chunk reaches");
    Require(imageSize == 0 || given.back(), "the image ends at the last byte a chunk gives");

    // The words of one lane of the width, or of two byte lanes: planned, then laid out from the
    // pieces and swapped, as from the image placed whole and swapped in memory.
    const unsigned swap = (bytes[2] & 3) == 3 ? 4 : 1;
    const MemoryLayout layout = width % 8 == 0 && width <= 16 ? MemoryLayout{64, width / 8 * 4, 2}
                                                              : MemoryLayout{128, 1, 1};
    if (CheckLayout(layout) == LayoutProblem::None) {
        const SourcePlan plan = PlanSource(imageSize, layout, swap, &chunks, base);
        Require(plan.bytes >= imageSize && plan.bytes < imageSize + swap, "the swap's padding");
        Require(plan.instances == LaneInstancesNeeded(plan.words, layout), "the plan's instances");
        image.resize(static_cast<std::size_t>(plan.bytes), 0);
        ReverseWordBytes(image.data(), image.size(), swap);
        const std::string_view names[] = {"a", "b"};
        const std::span<const std::string_view> components(names, layout.lanes);
        const WideLines fromPieces =
            LayOutLanes(WordImage::FromPieces(chunks, base, fill, swap, plan.bytes), layout,
                        components, SynthesizerKind::Xst);
        const WideLines inMemory = LayOutLanes(WordImage::FromBytes(image.data(), image.size()),
                                               layout, components, SynthesizerKind::Xst);
        Require(RewriteUcf(fromPieces, "", {}) == RewriteUcf(inMemory, "", {}),
                "lanes from the pieces, the lanes of the image");
    }
    return 0;
}
