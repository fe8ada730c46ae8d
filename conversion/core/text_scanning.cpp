#include "conversion/core/text_scanning.h"

#include <bit>
#include <cstring>

#include "conversion/core/byte_classes.h"
#include "conversion/core/sse2_support.h"

std::optional<std::size_t> FindNoCase(std::string_view text, std::size_t position,
                                      std::string_view pattern) {
    if (position > text.size() || pattern.size() > text.size() - position) return std::nullopt;
    if (pattern.empty()) return position;

    const std::size_t last = text.size() - pattern.size();  // last possible start
    for (std::size_t i = position; i <= last; ++i) {
        if (MatchesNoCase(text, i, pattern)) return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> BlankLineStart(std::string_view text, std::size_t position) {
    if (position > text.size()) return std::nullopt;
    std::size_t i = position;
    while (i > 0) {
        const auto c = static_cast<unsigned char>(text[i - 1]);
        if (c == '\n') return i;
        if (!IsBlank(c)) return std::nullopt;
        --i;
    }
    return 0;
}

std::size_t NextLineStart(std::string_view text, std::size_t position) {
    if (position >= text.size()) return text.size();
    const void* lineFeed = std::memchr(text.data() + position, '\n', text.size() - position);
    if (lineFeed == nullptr) return text.size();
    return static_cast<std::size_t>(static_cast<const char*>(lineFeed) - text.data()) + 1;
}

std::size_t RemovedLineEnd(std::string_view text, std::size_t position) {
    const std::size_t size = text.size();
    const char* const data = text.data();
    std::size_t i = position;
    // One pass for whichever of a line feed and a carriage return comes first, 16 bytes at a
    // time, instead of a search for each, which would read a line without one twice.
#if defined(QUILLON_HAVE_SSE2)
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    for (; i < size && size - i >= 16; i += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const auto ends = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(chunk, lineFeed), _mm_cmpeq_epi8(chunk, carriageReturn))));
        if (ends != 0) {
            i += static_cast<std::size_t>(std::countr_zero(ends));
            break;
        }
    }
#endif
    while (i < size && data[i] != '\n' && data[i] != '\r') ++i;
    if (i >= size) return size;
    // A carriage return just before a line feed is part of that line end.
    if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n') return i + 2;
    return i + 1;
}
