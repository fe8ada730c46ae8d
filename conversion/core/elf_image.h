// ELF executables, 32- and 64-bit, little- and big-endian, as `objcopy -O binary` makes an
// image of them: every allocated section with contents (not .bss), at its load address, the
// one the program headers give it (where a ROM's load image sits) or else its own address.
// An ELF file without section headers gives the file bytes of its loadable segments (PT_LOAD)
// at their physical addresses instead. The chunks point into the file's bytes, which must
// outlive them; their origins name the sections taken (ImageChunks::originNames).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/core/memory_image.h"

// The sections to take, as objcopy's -j (--only-section) and -R (--remove-section) pick them:
// names, where "*" stands for any characters and "?" for any one.
struct SectionChoice {
    std::vector<std::string> only;     // when given, only sections named so
    std::vector<std::string> removed;  // never sections named so
    bool Picks() const { return !only.empty() || !removed.empty(); }
    bool Takes(std::string_view name) const;
};

ImageError ReadElfImage(const std::uint8_t* bytes, std::size_t size, const SectionChoice& choice,
                        ImageChunks& chunks);
