#include "conversion/core/hex_values.h"

#include <array>
#include <cstring>

#include "conversion/core/hex_digits.h"
#include "conversion/core/sse2_support.h"

namespace {

constexpr std::size_t kChunkBytes = 32;

// "00" .. "FF": two upper-case hex digits per byte value.
constexpr std::array<std::array<char, 2>, 256> MakeHexPairs() {
    std::array<std::array<char, 2>, 256> pairs{};
    for (int b = 0; b < 256; ++b) pairs[b] = {kHexDigits[b >> 4], kHexDigits[b & 15]};
    return pairs;
}
constexpr auto kHexPairs = MakeHexPairs();

void WriteValuesPlain(char* out, std::size_t stride, const std::uint8_t* data,
                      std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i, out += stride, data += kChunkBytes) {
        WriteHexValue(out, data, kChunkBytes);
    }
}

#if defined(QUILLON_HAVE_SSE2)
// Sixteen bytes in reverse order.
__m128i Reversed(__m128i v) {
    v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
    v = _mm_shufflelo_epi16(v, _MM_SHUFFLE(0, 1, 2, 3));
    v = _mm_shufflehi_epi16(v, _MM_SHUFFLE(0, 1, 2, 3));
    return _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2));
}

// Nibble values 0..15 to "0".."9", "A".."F".
__m128i HexDigits(__m128i nibbles) {
    const __m128i letter = _mm_cmpgt_epi8(nibbles, _mm_set1_epi8(9));
    return _mm_add_epi8(_mm_add_epi8(nibbles, _mm_set1_epi8('0')),
                        _mm_and_si128(letter, _mm_set1_epi8('A' - '0' - 10)));
}

// 32 digits for sixteen bytes, last byte first.
void WriteReversedHex(char* out, __m128i bytes) {
    const __m128i v = Reversed(bytes);
    const __m128i low4 = _mm_set1_epi8(0x0F);
    const __m128i high = HexDigits(_mm_and_si128(_mm_srli_epi16(v, 4), low4));
    const __m128i low = HexDigits(_mm_and_si128(v, low4));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(high, low));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_unpackhi_epi8(high, low));
}

void WriteValuesSse2(char* out, std::size_t stride, const std::uint8_t* data, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i, out += stride, data += kChunkBytes) {
        WriteReversedHex(out, _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16)));
        WriteReversedHex(out + 32, _mm_loadu_si128(reinterpret_cast<const __m128i*>(data)));
    }
}
#endif

}  // namespace

void WriteHexValue(char* out, const std::uint8_t* chunk, std::size_t size) {
    // Byte i of the chunk lands in digit pair 31 - i, so the rightmost pair holds the first.
    if (size < kChunkBytes) std::memset(out, '0', 2 * (kChunkBytes - size));
    for (std::size_t i = 0; i < size; ++i)
        std::memcpy(out + 2 * (kChunkBytes - 1 - i), kHexPairs[chunk[i]].data(), 2);
}

std::size_t AvailableHexValueWriters(HexValueWriter writers[2]) {
    std::size_t count = 0;
    writers[count++] = WriteValuesPlain;
#if defined(QUILLON_HAVE_SSE2)
    writers[count++] = WriteValuesSse2;
#endif
    return count;
}

HexValueWriter FastestHexValueWriter() {
    static const HexValueWriter fastest = [] {
        HexValueWriter writers[2];
        return writers[AvailableHexValueWriters(writers) - 1];
    }();
    return fastest;
}
