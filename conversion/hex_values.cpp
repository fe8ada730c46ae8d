#include "conversion/hex_values.h"

#include <array>
#include <cstring>

#include "conversion/sse2_support.h"

// AVX2 is chosen at run time, so the program still runs on processors without it. GCC and
// Clang compile single functions for it; MSVC compiles its intrinsics anywhere.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define QUILLON_HAVE_AVX2 1
#define QUILLON_AVX2_FUNCTION __attribute__((target("avx2")))
#elif defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
#include <immintrin.h>
#include <intrin.h>
#define QUILLON_HAVE_AVX2 1
#define QUILLON_AVX2_FUNCTION
#endif

namespace {

constexpr std::size_t kChunkBytes = 32;

// "00" .. "FF": two upper-case hex digits per byte value.
constexpr std::array<std::array<char, 2>, 256> MakeHexPairs() {
    std::array<std::array<char, 2>, 256> pairs{};
    constexpr char digits[] = "0123456789ABCDEF";
    for (int b = 0; b < 256; ++b) pairs[b] = {digits[b >> 4], digits[b & 15]};
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

#if defined(QUILLON_HAVE_AVX2)
QUILLON_AVX2_FUNCTION void WriteValuesAvx2(char* out, std::size_t stride, const std::uint8_t* data,
                                           std::uint32_t count) {
    const __m256i reverseLanes =
        _mm256_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11,
                         10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
    const __m256i digits = _mm256_setr_epi8('0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'A',
                                            'B', 'C', 'D', 'E', 'F', '0', '1', '2', '3', '4', '5',
                                            '6', '7', '8', '9', 'A', 'B', 'C', 'D', 'E', 'F');
    const __m256i low4 = _mm256_set1_epi8(0x0F);
    for (std::uint32_t i = 0; i < count; ++i, out += stride, data += kChunkBytes) {
        __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data));
        // Byte j of v becomes byte 31 - j of the chunk: reverse each half, swap the halves.
        v = _mm256_permute4x64_epi64(_mm256_shuffle_epi8(v, reverseLanes), _MM_SHUFFLE(1, 0, 3, 2));
        const __m256i high =
            _mm256_shuffle_epi8(digits, _mm256_and_si256(_mm256_srli_epi16(v, 4), low4));
        const __m256i low = _mm256_shuffle_epi8(digits, _mm256_and_si256(v, low4));
        // The unpacks interleave within each 128-bit half; put the halves back in order.
        const __m256i first = _mm256_unpacklo_epi8(high, low);
        const __m256i second = _mm256_unpackhi_epi8(high, low);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                            _mm256_permute2x128_si256(first, second, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32),
                            _mm256_permute2x128_si256(first, second, 0x31));
    }
}

bool ProcessorHasAvx2() {
#if defined(__GNUC__)
    return __builtin_cpu_supports("avx2");
#else
    int info[4] = {};
    __cpuid(info, 0);
    if (info[0] < 7) return false;
    __cpuid(info, 1);
    const bool osSavesYmm = (info[2] & (1 << 27)) != 0 && (_xgetbv(0) & 6) == 6;
    if (!osSavesYmm || (info[2] & (1 << 28)) == 0) return false;
    __cpuidex(info, 7, 0);
    return (info[1] & (1 << 5)) != 0;
#endif
}
#endif

}  // namespace

void WriteHexValue(char* out, const std::uint8_t* chunk, std::size_t size) {
    // Byte i of the chunk lands in digit pair 31 - i, so the rightmost pair holds the first.
    if (size < kChunkBytes) std::memset(out, '0', 2 * (kChunkBytes - size));
    for (std::size_t i = 0; i < size; ++i)
        std::memcpy(out + 2 * (kChunkBytes - 1 - i), kHexPairs[chunk[i]].data(), 2);
}

std::size_t AvailableHexValueWriters(HexValueWriter writers[3]) {
    std::size_t count = 0;
    writers[count++] = WriteValuesPlain;
#if defined(QUILLON_HAVE_SSE2)
    writers[count++] = WriteValuesSse2;
#endif
#if defined(QUILLON_HAVE_AVX2)
    if (ProcessorHasAvx2()) writers[count++] = WriteValuesAvx2;
#endif
    return count;
}

HexValueWriter FastestHexValueWriter() {
    static const HexValueWriter fastest = [] {
        HexValueWriter writers[3];
        return writers[AvailableHexValueWriters(writers) - 1];
    }();
    return fastest;
}
