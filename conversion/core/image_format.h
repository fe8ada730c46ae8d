// The formats a source can be in, and the choice that `auto` makes: by the file name's
// extension where it names a format, else by what the file starts with. Only unmistakable
// content counts (an ELF header, a first line that is a whole record), so that a raw binary
// stays one; hex words are never told by content, since a raw binary of ASCII digits is one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "conversion/core/elf_image.h"
#include "conversion/core/memory_image.h"

enum class ImageFormat {
    Auto,      // by the extension, else by the content
    Bin,       // the bytes as they are
    IntelHex,  // conversion/core/intel_hex.h
    SRecord,   // conversion/core/s_record.h
    Elf,       // conversion/core/elf_image.h
    HexWords,  // conversion/core/hex_words.h
};

// The format that a file named `path` has by its extension, in any letter case: IntelHex for
// .hex, .ihx, .ihex and .h86 (whose content may still make it HexWords, see ChosenFormat),
// SRecord for .srec, .s19, .s28, .s37 and .mot, Elf for .elf and .axf, HexWords for .mem, Bin
// for any other.
ImageFormat FormatByExtension(std::string_view path);

// The one choice of the format a source is read in, as far as its name tells: `requested`, or
// for Auto the extension's; Auto when neither tells (standard input, which has no name, or an
// extension that names no format), for FormatByContent to decide.
ImageFormat FormatByName(ImageFormat requested, std::string_view path, bool standardInput);
// The format that a source's bytes show: Elf for the ELF magic, IntelHex or SRecord when the
// first line that is not empty looks like such a record (':' or 'S' and a type digit, then
// hex digits only, at least a record's frame of them: whether the rest parses is the
// reader's to say, naming the line), else Bin.
ImageFormat FormatByContent(const std::uint8_t* bytes, std::size_t size);
// Whether a source of that name may still turn out to hold hex words: an Intel HEX extension
// chosen by Auto.
bool MayHoldHexWords(ImageFormat requested, std::string_view path, bool standardInput);
// The format the source is read in: FormatByName, where a file of the Intel HEX extensions
// chosen by Auto whose first byte that is no blank or line end is not ':' holds hex words,
// and FormatByContent where the name does not tell.
ImageFormat ChosenFormat(ImageFormat requested, std::string_view path, bool standardInput,
                         const std::uint8_t* bytes, std::size_t size);

// Whether the format's addresses are byte addresses that a base can be taken from.
inline bool TakesBase(ImageFormat format) {
    return format == ImageFormat::IntelHex || format == ImageFormat::SRecord ||
           format == ImageFormat::Elf;
}

// "Intel HEX", "S-records", "ELF", "hex words", "raw binary".
const char* FormatName(ImageFormat format);

// Decodes an image file in `format` (one of the four readers' formats) into addressed chunks:
// hex words of `hexWordBits` bits each in (hexWordBits + 7) / 8 bytes, an ELF file's sections
// as `sections` picks them.
ImageError ReadImageChunks(ImageFormat format, const std::uint8_t* bytes, std::size_t size,
                           ImageChunks& chunks, unsigned hexWordBits = 8,
                           const SectionChoice& sections = {});

// What the source was, for the report: "Intel HEX, 2048 bytes at 0x0000..0x07FF" (the image's
// first and last byte addresses, four hex digits while they fit, else eight or sixteen), or
// "Intel HEX, 0 bytes"; for ELF sections, their names after it: "ELF, 1224 bytes at
// 0x8000..0x84C7 (.text, .data)".
std::string DescribeImage(ImageFormat format, std::uint64_t base, std::uint64_t size,
                          const ImageChunks& chunks = {});
// The same for hex words wider than a byte, by their indices: "hex words, 1024 words of 18 bits
// at 0x0000..0x03FF".
std::string DescribeHexWords(std::uint64_t words, unsigned bits);
