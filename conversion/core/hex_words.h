// Hex word files, as $readmemh reads them (.mem, and .hex files without records): words of hex
// digits separated by whitespace ('_' allowed after the first digit), "@ADDR" (hex) setting the
// index of the next word, "//" and "/* */" comments. Any other character fails, the x and z of
// unknown and floating values too.
#pragma once

#include <cstddef>
#include <cstdint>

#include "conversion/core/memory_image.h"

// Reads words of `widthBits` bits (1 to 64) into `chunks`: each word in (widthBits + 7) / 8
// bytes, least significant first, at its index times that many bytes, as a memory in lanes
// takes its words (conversion/core/lane_lines.h). A word with more hex digits than that width
// needs, or a larger value, fails naming its line.
ImageError ReadHexWords(const std::uint8_t* bytes, std::size_t size, unsigned widthBits,
                        ImageChunks& chunks);
