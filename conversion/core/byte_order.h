// Sources stored as big-endian words: each word's bytes reversed before they are written, so
// that the lines show the words as the memory holds them.
#pragma once

#include <cstddef>
#include <cstdint>

// Whether `width` is a word size the bytes can be swapped in: 2, 4 or 8.
inline bool IsSwapWidth(unsigned width) {
    return width == 2 || width == 4 || width == 8;
}

// `size` rounded up to whole words of `width` bytes: a short last word is padded with zeros.
inline std::uint64_t PaddedToWords(std::uint64_t size, unsigned width) {
    return (size + width - 1) / width * width;
}

// Reverses the bytes of each `width`-byte word of `data` in place; `size` is a multiple of
// `width`.
void ReverseWordBytes(std::uint8_t* data, std::size_t size, unsigned width);
