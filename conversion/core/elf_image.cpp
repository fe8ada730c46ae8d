#include "conversion/core/elf_image.h"

#include <string>

namespace {

constexpr std::uint32_t kLoadable = 1;           // PT_LOAD
constexpr std::uint32_t kManySegments = 0xFFFF;  // PN_XNUM: the count is in section 0

// Reads the fields of one ELF file in its byte order; every read is within the file, which the
// callers check first.
class ElfFields {
public:
    ElfFields(const std::uint8_t* bytes, bool bigEndian) : bytes_(bytes), bigEndian_(bigEndian) {}
    std::uint64_t Read(std::uint64_t at, unsigned width) const {
        std::uint64_t value = 0;
        for (unsigned i = 0; i < width; ++i) {
            const unsigned shift = bigEndian_ ? 8 * (width - 1 - i) : 8 * i;
            value |= std::uint64_t{bytes_[at + i]} << shift;
        }
        return value;
    }

private:
    const std::uint8_t* bytes_;
    bool bigEndian_;
};

std::string Hex(std::uint64_t value) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return "0x" + text;
}

// Whether `count` bytes at `offset` lie within a file of `size` bytes, without overflow.
bool Within(std::uint64_t offset, std::uint64_t count, std::uint64_t size) {
    return offset <= size && count <= size - offset;
}

}  // namespace

ImageError ReadElfImage(const std::uint8_t* bytes, std::size_t size, ImageChunks& chunks) {
    const auto fail = [](const std::string& text) { return ImageError{text, false}; };
    const std::uint8_t magic[4] = {0x7F, 'E', 'L', 'F'};
    for (std::size_t i = 0; i < 4; ++i) {
        if (i == size)
            return fail(std::string("the ELF header is cut short: the file has ") +
                        std::to_string(size) + " bytes");
        if (bytes[i] != magic[i])
            return fail("not an ELF file: it does not start with 7F 45 4C 46");
    }
    if (size < 6)
        return fail(std::string("the ELF header is cut short: the file has ") +
                    std::to_string(size) + " bytes");
    const unsigned elfClass = bytes[4];
    const unsigned data = bytes[5];
    if (elfClass != 1 && elfClass != 2) {
        return fail(std::string("the ELF class is ") + std::to_string(elfClass) +
                    ", not 1 (32-bit) or 2 (64-bit)");
    }
    if (data != 1 && data != 2) {
        return fail(std::string("the ELF data encoding is ") + std::to_string(data) +
                    ", not 1 (little-endian) or 2 (big-endian)");
    }
    const bool wide = elfClass == 2;
    const unsigned word = wide ? 8 : 4;  // addresses, offsets, sizes
    const std::uint64_t headerSize = wide ? 64 : 52;
    const std::uint64_t entryNeeded = wide ? 56 : 32;
    const char* bits = wide ? "64-bit" : "32-bit";
    if (size < headerSize) {
        return fail(std::string("the ELF header is cut short: the file has ") +
                    std::to_string(size) + " bytes, a " + bits + " header needs " +
                    std::to_string(headerSize));
    }
    const ElfFields fields(bytes, data == 2);
    const std::uint64_t tableOffset = fields.Read(wide ? 32 : 28, word);
    const std::uint64_t sectionsOffset = fields.Read(wide ? 40 : 32, word);
    const std::uint64_t entrySize = fields.Read(wide ? 54 : 42, 2);
    std::uint64_t count = fields.Read(wide ? 56 : 44, 2);
    if (count == kManySegments) {
        // The real count is section header 0's sh_info.
        const std::uint64_t infoAt = sectionsOffset + (wide ? 44 : 28);
        if (sectionsOffset == 0 || !Within(sectionsOffset, wide ? 64 : 40, size)) {
            return fail(
                "the program header count is in section header 0, which lies beyond the "
                "end of the file");
        }
        count = fields.Read(infoAt, 4);
    }
    if (count > 0 && entrySize < entryNeeded) {
        return fail(std::string("the program header entries are ") + std::to_string(entrySize) +
                    " bytes, less than a " + bits + " entry needs (" + std::to_string(entryNeeded) +
                    ")");
    }
    if (count > 0 && (count > size / entrySize || !Within(tableOffset, count * entrySize, size))) {
        return fail(std::string("the program header table (") + std::to_string(count) +
                    (count == 1 ? " entry" : " entries") + " at " + Hex(tableOffset) +
                    ") lies beyond the end of the file (" + std::to_string(size) + " bytes)");
    }
    chunks.external = bytes;
    chunks.originKind = "segment";
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t at = tableOffset + i * entrySize;
        if (fields.Read(at, 4) != kLoadable) continue;
        const std::uint64_t offset = fields.Read(at + (wide ? 8 : 4), word);
        const std::uint64_t physical = fields.Read(at + (wide ? 24 : 12), word);
        const std::uint64_t fileSize = fields.Read(at + (wide ? 32 : 16), word);
        if (fileSize == 0) continue;
        if (!Within(offset, fileSize, size)) {
            return fail(std::string("segment ") + std::to_string(i) + " (PT_LOAD, " +
                        Hex(fileSize) + " bytes at offset " + Hex(offset) +
                        ") lies beyond the end of the file (" + std::to_string(size) + " bytes)");
        }
        chunks.chunks.push_back(ImageChunk{physical, static_cast<std::size_t>(offset),
                                           static_cast<std::size_t>(fileSize), i});
    }
    if (chunks.chunks.empty()) return fail("the ELF file has no loadable segment with bytes in it");
    return {};
}
