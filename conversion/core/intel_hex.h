// Intel HEX, as 8-bit toolchains write it (.hex, .ihx): records of data (00), the end of the
// file (01), extended segment (02) and linear (04) addresses, and start addresses (03, 05),
// which say nothing about the memory and are skipped. Every checksum is checked; a file must
// end with its end-of-file record, and whatever follows that record is ignored.
#pragma once

#include <cstddef>
#include <cstdint>

#include "conversion/core/memory_image.h"

ImageError ReadIntelHex(const std::uint8_t* bytes, std::size_t size, ImageChunks& chunks);
