// Hex word files, as $readmemh reads them (.mem, and .hex files without records): words of hex
// digits separated by whitespace ('_' allowed after the first digit), "@ADDR" (hex) setting the
// index of the next word, "//" and "/* */" comments. Any other character fails, the x and z of
// unknown and floating values too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "conversion/core/memory_image.h"

// The words at consecutive indices from `firstIndex`, the first of them on `line`.
struct HexWordRun {
    std::uint64_t firstIndex = 0;
    std::uint64_t line = 0;
    std::vector<std::uint64_t> words;
};

struct HexWords {
    std::vector<HexWordRun> runs;  // in file order
};

// Today's memories are byte-wide: each word is one byte.
inline constexpr unsigned kByteWideWord = 8;

// Reads words of `widthBits` bits (1 to 64): a word with more hex digits than that width
// needs, or a larger value, fails naming its line.
ImageError ReadHexWords(const std::uint8_t* bytes, std::size_t size, HexWords& words,
                        unsigned widthBits = kByteWideWord);

// Words of `widthBits` bits as an image's bytes: each word in (widthBits + 7) / 8 bytes, least
// significant first, at its index times that; byte-wide words each at the address its index
// gives.
void AddWordBytes(const HexWords& words, unsigned widthBits, ImageChunks& chunks);
inline void AddByteWords(const HexWords& words, ImageChunks& chunks) {
    AddWordBytes(words, kByteWideWord, chunks);
}
