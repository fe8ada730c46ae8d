// NextLineStart for a walk through one text from line to line. UCF lines are short, so a
// library search per line spends most of its time starting up; this one keeps a bit mask of
// the line feeds in a 64-byte block and answers every line inside that block from it. The
// removal runs at 2.9 GB/s with it against 1.3 GB/s with a memchr per line
// (rewriter_benchmark, BM_RemoveLines).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "conversion/sse2_support.h"

class LineFeedFinder {
public:
    LineFeedFinder(const char* text, std::size_t size) : text_(text), size_(size) {}

    // Position just after the first line feed at or after `pos`, or the text's size.
    std::size_t NextLineStart(std::size_t pos) {
        while (pos < size_) {
            if (pos < base_ || pos - base_ >= kBlock) Load(pos);
            const std::uint64_t ahead = mask_ & (~std::uint64_t{0} << (pos - base_));
            if (ahead != 0) return base_ + static_cast<std::size_t>(std::countr_zero(ahead)) + 1;
            pos = base_ + kBlock;
        }
        return size_;
    }

private:
    static constexpr std::size_t kBlock = 64;

    // Bit i of the mask is set when byte base + i is a line feed; bytes past the end are not.
    void Load(std::size_t base) {
        base_ = base;
        const std::size_t available = size_ - base;
        if (available >= kBlock) {
            mask_ = BlockMask(text_ + base);
        } else {
            char tail[kBlock] = {};  // NUL is no line feed
            std::memcpy(tail, text_ + base, available);
            mask_ = BlockMask(tail);
        }
    }

    static std::uint64_t BlockMask(const char* p) {
#if defined(QUILLON_HAVE_SSE2)
        const __m128i lineFeed = _mm_set1_epi8('\n');
        std::uint64_t mask = 0;
        for (int i = 0; i < 4; ++i) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
            const auto bits =
                static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lineFeed)));
            mask |= std::uint64_t{bits} << (16 * i);
        }
        return mask;
#else
        std::uint64_t mask = 0;
        for (std::size_t i = 0; i < kBlock; ++i) mask |= std::uint64_t{p[i] == '\n'} << i;
        return mask;
#endif
    }

    const char* text_;
    std::size_t size_;
    std::size_t base_ = SIZE_MAX;  // no block loaded yet: every position lies before it
    std::uint64_t mask_ = 0;
};
