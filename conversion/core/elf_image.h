// ELF executables, 32- and 64-bit, little- and big-endian: the bytes of every loadable segment
// (PT_LOAD) that has any in the file, at its physical address (p_paddr), where a ROM's load
// image sits. The chunks point into the file's bytes, which must outlive them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "conversion/core/memory_image.h"

ImageError ReadElfImage(const std::uint8_t* bytes, std::size_t size, ImageChunks& chunks);
