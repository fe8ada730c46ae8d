// Small helpers shared by the tests of memories in lanes.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/core/memory_layout.h"
#include "conversion/core/ucf_extract.h"

inline std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(n);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

// `value` as `digits` upper-case hex digits, as the UCF lines write it.
inline std::string Hex(std::uint64_t value, unsigned digits) {
    std::string text(digits, '0');
    for (unsigned i = digits; i-- > 0; value >>= 4) text[i] = "0123456789ABCDEF"[value & 15];
    return text;
}

// Words as an image holds them: each in (bits + 7) / 8 bytes, least significant first.
inline std::vector<std::uint8_t> WordBytes(const std::vector<std::uint64_t>& words, unsigned bits) {
    std::vector<std::uint8_t> bytes;
    for (const std::uint64_t word : words)
        for (unsigned i = 0; i < (bits + 7) / 8; ++i)
            bytes.push_back(static_cast<std::uint8_t>(word >> (8 * i)));
    return bytes;
}

// The image an extraction writes, whole.
inline std::string ImageText(const ExtractedImage& extracted, unsigned swapWidth = 1) {
    std::string image;
    WriteExtractedImage(extracted, swapWidth, [&image](const char* bytes, std::size_t size) {
        image.append(bytes, size);
        return true;
    });
    return image;
}

// Component names prefix0suffix, prefix1suffix, ... and the views the lane functions take.
// Not copyable: the views point into the names.
class LaneNames {
public:
    LaneNames(unsigned lanes, const std::string& prefix, const std::string& suffix) {
        for (unsigned i = 0; i < lanes; ++i) names_.push_back(prefix + std::to_string(i) + suffix);
        for (const std::string& name : names_) views_.push_back(name);
    }
    LaneNames(const LaneNames&) = delete;
    LaneNames& operator=(const LaneNames&) = delete;

    const std::string& operator[](std::size_t i) const { return names_[i]; }
    const std::vector<std::string_view>& Views() const { return views_; }

private:
    std::vector<std::string> names_;
    std::vector<std::string_view> views_;
};

// Calls `f` with every allowed width of every block RAM size, in 1 lane, `lanes` lanes and as
// many lanes as fit in a 64-bit word.
template <typename F>
void ForEachLayout(unsigned lanes, F&& f) {
    for (const std::uint32_t lines : {16u, 64u, 128u})
        for (const unsigned width : {1u, 2u, 4u, 8u, 9u, 16u, 18u, 32u, 36u}) {
            if (!IsAllowedWidth(width, lines)) continue;
            for (const unsigned n : {1u, lanes, 64u / width})
                if (n * width <= 64) f(MemoryLayout{lines, width, n});
        }
}
