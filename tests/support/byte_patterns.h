// Source bytes for tests: patterns that hold every byte value, NUL and CR included, so that
// nothing is taken for text by accident.
#pragma once

#include <cstddef>
#include <string>

// Bytes 0, 1, 2 ... wrapping at 256.
inline std::string CountingBytes(std::size_t length) {
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>(i & 0xFF);
    return bytes;
}

// Every byte value in a order that differs with `seed` (steps of 7, so neighbours differ).
inline std::string AllByteValues(std::size_t length, unsigned seed = 0) {
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>((i * 7 + seed) & 0xFF);
    return bytes;
}
