// Motorola S-records, as 16- and 32-bit toolchains write them (.srec, .s19, .s28, .s37, .mot):
// a header (S0, skipped), data with 16-, 24- or 32-bit addresses (S1, S2, S3), counts of the
// data records so far (S5, S6: checked) and start addresses (S7, S8, S9: skipped). Every
// checksum is checked. The file may end in Ctrl-Z characters.
#pragma once

#include <cstddef>
#include <cstdint>

#include "conversion/core/memory_image.h"

ImageError ReadSRecords(const std::uint8_t* bytes, std::size_t size, ImageChunks& chunks);
