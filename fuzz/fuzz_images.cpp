// Feeds the image file readers any bytes, in each format and with byte-wide or wider hex
// words, and checks what must hold for every input: no crash, an error or an image within the
// 4 GiB - 1 limit, and in that image every chunk's bytes at their address with the fill
// everywhere no chunk reaches.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "conversion/core/hex_words.h"
#include "conversion/core/image_format.h"
#include "conversion/core/memory_image.h"

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
    const unsigned width = (bytes[1] & 0xC0) == 0 ? kByteWideWord : 1 + bytes[1] % 64;
    const unsigned wordBytes = (width + 7) / 8;
    HexWords words;
    if (format == ImageFormat::HexWords) {
        if (!ReadHexWords(file, fileSize, words, width)) {
            for (const HexWordRun& run : words.runs) {
                Require(!run.words.empty(), "a run holds words");
                for (const std::uint64_t word : run.words)
                    Require(width == 64 || word >> width == 0, "words fit their width");
            }
        }
    }

    ImageChunks chunks;
    std::uint64_t imageSize = 0;
    ImageError error = ReadImageChunks(format, file, fileSize, chunks, width);
    if (error) return 0;
    for (const ImageChunk& chunk : chunks.chunks) {
        const std::size_t room = chunks.external != nullptr ? fileSize : chunks.decoded.size();
        Require(chunk.offset <= room && chunk.size <= room - chunk.offset,
                "chunks lie within their bytes");
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
    if (FillImage(chunks, base, fill, image.data(), imageSize)) return 0;
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
    // Each hex word in its bytes, least significant first, at its index times their count.
    for (const HexWordRun& run : words.runs) {
        for (std::size_t k = 0; k < run.words.size(); ++k) {
            for (unsigned i = 0; i < wordBytes; ++i)
                Require(image[(run.firstIndex + k) * wordBytes + i - base] ==
                            static_cast<std::uint8_t>(run.words[k] >> (8 * i)),
                        "a word's bytes at its index");
        }
    }
    return 0;
}
