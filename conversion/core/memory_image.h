// The memory image that an image file describes: the addressed pieces its readers find
// (records, sections, segments, words), planned from a base address before any memory is
// taken for it, then placed with a fill value in the gaps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "conversion/core/image_limit.h"

// Why an image file cannot be read: a reason that names the line (or the section) where one
// can. `tooLarge` when the image would pass kMaxImageSize, which the run reports with the
// system's "file too large" text after the reason.
struct ImageError {
    std::string reason;
    bool tooLarge = false;
    explicit operator bool() const { return !reason.empty(); }
};

// `size` bytes at `address`, found at `origin` (a line number, or the index of a section or
// segment).
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
    // What the chunks' origins count, for the messages, and the names of the origins when
    // they have names (an ELF file's sections).
    const char* originKind = "line";
    std::vector<std::string> originNames;

    const std::uint8_t* Bytes() const { return external != nullptr ? external : decoded.data(); }
    // "line 12", "section .data", "segment 1".
    std::string OriginText(std::uint64_t origin) const;

    // Appends decoded bytes; a piece that continues the last one joins it, so that a file of
    // short records keeps few chunks.
    void Add(std::uint64_t address, const std::uint8_t* bytes, std::size_t size,
             std::uint64_t origin);
};

// Orders the chunks by address, finds the image's size (from `base` to the last byte a chunk
// gives; 0 without chunks) and checks what would make it no image: data below the base, an
// image larger than kMaxImageSize, a byte that two chunks give different values. Takes no
// memory for the image itself.
ImageError PlanImage(ImageChunks& chunks, std::uint64_t base, std::uint64_t& size);

// The image that PlanImage planned, a piece at a time in address order: the chunks' bytes at
// their places from the base on, `fill` in the gaps, and zero bytes past the image's last
// byte (the padding of a last swap word).
class PlacedBytes {
public:
    PlacedBytes(const ImageChunks& chunks, std::uint64_t base, std::uint8_t fill);
    // Writes the next `count` bytes at `out`.
    void Take(std::uint8_t* out, std::size_t count);

private:
    const ImageChunks& chunks_;
    std::uint64_t base_;
    std::uint8_t fill_;
    std::uint64_t size_ = 0;            // the image's, from the base through the last byte given
    std::uint64_t at_ = 0;              // the next byte's offset from the base
    std::size_t next_ = 0;              // the first chunk not yet reached
    const ImageChunk* last_ = nullptr;  // of the chunks reached, the one that ends last
};

// "0x0000FF00": at least eight hex digits, sixteen for an address past 32 bits.
std::string AddressText(std::uint64_t address);
