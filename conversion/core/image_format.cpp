#include "conversion/core/image_format.h"

#include <algorithm>
#include <cctype>

#include "conversion/core/elf_image.h"
#include "conversion/core/hex_digits.h"
#include "conversion/core/hex_words.h"
#include "conversion/core/intel_hex.h"
#include "conversion/core/record_lines.h"
#include "conversion/core/s_record.h"

namespace {

struct Extension {
    const char* name;
    ImageFormat format;
};

constexpr Extension kExtensions[] = {
    {"hex", ImageFormat::IntelHex}, {"ihx", ImageFormat::IntelHex}, {"ihex", ImageFormat::IntelHex},
    {"h86", ImageFormat::IntelHex}, {"srec", ImageFormat::SRecord}, {"s19", ImageFormat::SRecord},
    {"s28", ImageFormat::SRecord},  {"s37", ImageFormat::SRecord},  {"mot", ImageFormat::SRecord},
    {"elf", ImageFormat::Elf},      {"axf", ImageFormat::Elf},      {"mem", ImageFormat::HexWords},
};

// Whether the first byte that is no blank or line end is the ':' that starts a record.
bool StartsWithRecord(const std::uint8_t* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t c = bytes[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        return c == ':';
    }
    return false;
}

// A record's frame in hex digits: Intel HEX's length, address, type and checksum; an
// S-record's count, shortest address and checksum.
constexpr std::size_t kIntelHexFrameDigits = 10;
constexpr std::size_t kSRecordFrameDigits = 8;

bool AllHexDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), IsHexDigit);
}

bool IsElf(const std::uint8_t* bytes, std::size_t size) {
    return size >= 4 && bytes[0] == 0x7F && bytes[1] == 'E' && bytes[2] == 'L' && bytes[3] == 'F';
}

}  // namespace

ImageFormat FormatByExtension(std::string_view path) {
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string_view::npos) return ImageFormat::Bin;
    const std::string_view extension = path.substr(dot + 1);
    if (extension.find_first_of("/\\") != std::string_view::npos) return ImageFormat::Bin;
    for (const Extension& known : kExtensions) {
        const std::string_view name = known.name;
        if (name.size() == extension.size() &&
            std::equal(name.begin(), name.end(), extension.begin(), [](char a, char b) {
                return a == std::tolower(static_cast<unsigned char>(b));
            })) {
            return known.format;
        }
    }
    return ImageFormat::Bin;
}

ImageFormat FormatByName(ImageFormat requested, std::string_view path, bool standardInput) {
    if (requested != ImageFormat::Auto) return requested;
    const ImageFormat named = standardInput ? ImageFormat::Bin : FormatByExtension(path);
    return named == ImageFormat::Bin ? ImageFormat::Auto : named;
}

ImageFormat FormatByContent(const std::uint8_t* bytes, std::size_t size) {
    if (IsElf(bytes, size)) return ImageFormat::Elf;
    RecordLines lines(bytes, size);
    std::string_view line;
    while (lines.Next(line) && line.empty()) {
    }
    if (line.size() >= 1 + kIntelHexFrameDigits && line[0] == ':' && AllHexDigits(line.substr(1)))
        return ImageFormat::IntelHex;
    if (line.size() >= 2 + kSRecordFrameDigits && line[0] == 'S' && line[1] >= '0' &&
        line[1] <= '9' && AllHexDigits(line.substr(2)))
        return ImageFormat::SRecord;
    return ImageFormat::Bin;
}

bool MayHoldHexWords(ImageFormat requested, std::string_view path, bool standardInput) {
    const ImageFormat format = FormatByName(requested, path, standardInput);
    return format == ImageFormat::HexWords ||
           (requested == ImageFormat::Auto && format == ImageFormat::IntelHex);
}

ImageFormat ChosenFormat(ImageFormat requested, std::string_view path, bool standardInput,
                         const std::uint8_t* bytes, std::size_t size) {
    const ImageFormat format = FormatByName(requested, path, standardInput);
    if (format == ImageFormat::Auto) return FormatByContent(bytes, size);
    if (requested == ImageFormat::Auto && format == ImageFormat::IntelHex &&
        !StartsWithRecord(bytes, size))
        return ImageFormat::HexWords;
    return format;
}

const char* FormatName(ImageFormat format) {
    switch (format) {
        case ImageFormat::IntelHex:
            return "Intel HEX";
        case ImageFormat::SRecord:
            return "S-records";
        case ImageFormat::Elf:
            return "ELF";
        case ImageFormat::HexWords:
            return "hex words";
        case ImageFormat::Auto:
        case ImageFormat::Bin:
            break;
    }
    return "raw binary";
}

ImageError ReadImageChunks(ImageFormat format, const std::uint8_t* bytes, std::size_t size,
                           ImageChunks& chunks, unsigned hexWordBits,
                           const SectionChoice& sections) {
    switch (format) {
        case ImageFormat::IntelHex:
            return ReadIntelHex(bytes, size, chunks);
        case ImageFormat::SRecord:
            return ReadSRecords(bytes, size, chunks);
        case ImageFormat::Elf:
            return ReadElfImage(bytes, size, sections, chunks);
        case ImageFormat::HexWords:
            return ReadHexWords(bytes, size, hexWordBits, chunks);
        case ImageFormat::Auto:
        case ImageFormat::Bin:
            break;
    }
    return {"not an image file format", false};
}

namespace {

// " at 0x0000..0x07FF" for `count` units from `first`.
std::string Span(std::uint64_t first, std::uint64_t count) {
    if (count == 0) return {};
    const std::uint64_t last = first + (count - 1);
    const unsigned digits = last <= 0xFFFF ? 4 : last <= 0xFFFFFFFFu ? 8 : 16;
    return " at " + HexNumber(first, digits) + ".." + HexNumber(last, digits);
}

}  // namespace

std::string DescribeImage(ImageFormat format, std::uint64_t base, std::uint64_t size,
                          const ImageChunks& chunks) {
    std::string text = std::string(FormatName(format)) + ", " + std::to_string(size) +
                       (size == 1 ? " byte" : " bytes") + Span(base, size);
    if (chunks.originNames.empty()) return text;
    text += " (";
    for (std::size_t i = 0; i < chunks.originNames.size(); ++i)
        text += (i > 0 ? ", " : "") + chunks.originNames[i];
    return text + ")";
}

std::string DescribeHexWords(std::uint64_t words, unsigned bits) {
    return "hex words, " + std::to_string(words) + (words == 1 ? " word" : " words") + " of " +
           std::to_string(bits) + " bits" + Span(0, words);
}
