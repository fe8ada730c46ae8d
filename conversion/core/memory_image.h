// The dense memory image that an image file describes: the addressed pieces its readers find
// (records, segments, words), laid out from a base address, with a fill value in the gaps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

// The rewriter counts bytes in 32 bits: an image holds 4 GiB - 1 bytes at most.
inline constexpr std::uint64_t kMaxImageSize = std::numeric_limits<std::uint32_t>::max();

// Why an image file cannot be read: a reason that names the line (or the segment) where one
// can. `tooLarge` when the image would pass kMaxImageSize, which the run reports with the
// system's "file too large" text after the reason.
struct ImageError {
    std::string reason;
    bool tooLarge = false;
    explicit operator bool() const { return !reason.empty(); }
};

// `size` bytes at `address`, found at `origin` (a line number or a segment index).
struct ImageChunk {
    std::uint64_t address = 0;
    std::size_t offset = 0;  // into ImageChunks::Bytes()
    std::size_t size = 0;
    std::uint64_t origin = 0;
};

struct ImageChunks {
    std::vector<ImageChunk> chunks;
    // The bytes that text records decode to, in file order; the chunks point into them...
    std::vector<std::uint8_t> decoded;
    // ...unless this is set: the file's own bytes, which a binary format's chunks point into.
    const std::uint8_t* external = nullptr;
    // What the chunks' origins count, for the messages.
    const char* originKind = "line";

    const std::uint8_t* Bytes() const { return external != nullptr ? external : decoded.data(); }

    // Appends decoded bytes; a piece that continues the last one joins it, so that a file of
    // short records keeps few chunks.
    void Add(std::uint64_t address, const std::uint8_t* bytes, std::size_t size,
             std::uint64_t origin);
};

// Orders the chunks by address and finds the image's size: from `base` to the last byte a
// chunk gives (0 without chunks). Fails for data below the base and for an image larger than
// kMaxImageSize, before any memory is taken for it.
ImageError PlanImage(ImageChunks& chunks, std::uint64_t base, std::uint64_t& size);

// Writes the image that PlanImage measured into `out` (`size` bytes): the chunks' bytes, and
// `fill` in the gaps. Fails at the lowest byte that two chunks give different values.
ImageError FillImage(const ImageChunks& chunks, std::uint64_t base, std::uint8_t fill,
                     std::uint8_t* out, std::uint64_t size);

// "0x0000FF00": at least eight hex digits, sixteen for an address past 32 bits.
std::string AddressText(std::uint64_t address);
