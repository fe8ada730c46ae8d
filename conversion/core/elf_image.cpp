#include "conversion/core/elf_image.h"

#include <algorithm>
#include <string>

#include "conversion/core/hex_digits.h"

namespace {

constexpr std::uint32_t kLoadable = 1;              // PT_LOAD
constexpr std::uint32_t kThreadLocal = 7;           // PT_TLS
constexpr std::uint32_t kNoBits = 8;                // SHT_NOBITS: .bss, no bytes in the file
constexpr std::uint64_t kAllocated = 0x2;           // SHF_ALLOC
constexpr std::uint64_t kTls = 0x400;               // SHF_TLS
constexpr std::uint32_t kManySegments = 0xFFFF;     // PN_XNUM: the count is in section 0
constexpr std::uint32_t kIndexInSection0 = 0xFFFF;  // SHN_XINDEX: the index is in section 0

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

// Whether `count` bytes at `offset` lie within a file of `size` bytes, without overflow.
bool Within(std::uint64_t offset, std::uint64_t count, std::uint64_t size) {
    return offset <= size && count <= size - offset;
}

// Matches "*" and "?" as objcopy's section patterns do.
bool Matches(std::string_view pattern, std::string_view name) {
    if (pattern.empty()) return name.empty();
    if (pattern.front() == '*') {
        for (std::size_t skip = 0; skip <= name.size(); ++skip)
            if (Matches(pattern.substr(1), name.substr(skip))) return true;
        return false;
    }
    return !name.empty() && (pattern.front() == '?' || pattern.front() == name.front()) &&
           Matches(pattern.substr(1), name.substr(1));
}

struct Segment {
    std::uint32_t type;
    std::uint64_t offset, virtualAddress, physicalAddress, fileSize, memorySize;
};

struct Section {
    std::uint32_t name, type;
    std::uint64_t flags, address, offset, size;
    std::uint32_t link;
};

// The layout of the header's fields and table entries for one class.
struct ElfClass {
    bool wide;
    unsigned word;  // addresses, offsets, sizes
    std::uint64_t headerSize, segmentSize, sectionSize;
    const char* bits;
};

// The load address objcopy gives a section: within the first loadable segment that holds it,
// that segment's physical address plus the section's place in its file bytes.
std::uint64_t LoadAddress(const Section& section, const std::vector<Segment>& segments,
                          bool segmentsGiveLoadAddresses) {
    if (!segmentsGiveLoadAddresses) return section.address;
    const bool tls = (section.flags & kTls) != 0;
    for (const Segment& segment : segments) {
        const bool kind = segment.type == kThreadLocal || (segment.type == kLoadable && !tls);
        if (kind && section.offset >= segment.offset &&
            section.offset - segment.offset <= segment.fileSize &&
            section.size <= segment.fileSize - (section.offset - segment.offset) &&
            section.address >= segment.virtualAddress &&
            section.address - segment.virtualAddress <= segment.memorySize &&
            section.size <= segment.memorySize - (section.address - segment.virtualAddress))
            return segment.physicalAddress + (section.offset - segment.offset);
    }
    return section.address;
}

}  // namespace

bool SectionChoice::Takes(std::string_view name) const {
    const auto named = [name](const std::vector<std::string>& patterns) {
        return std::any_of(patterns.begin(), patterns.end(),
                           [name](const std::string& pattern) { return Matches(pattern, name); });
    };
    return (only.empty() || named(only)) && !named(removed);
}

ImageError ReadElfImage(const std::uint8_t* bytes, std::size_t size, const SectionChoice& choice,
                        ImageChunks& chunks) {
    const auto fail = [](const std::string& text) { return ImageError{text, false}; };
    const auto beyond = [size](const std::string& what) {
        return ImageError{
            what + " lies beyond the end of the file (" + std::to_string(size) + " bytes)", false};
    };
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
    const ElfClass c =
        wide ? ElfClass{true, 8, 64, 56, 64, "64-bit"} : ElfClass{false, 4, 52, 32, 40, "32-bit"};
    if (size < c.headerSize) {
        return fail(std::string("the ELF header is cut short: the file has ") +
                    std::to_string(size) + " bytes, a " + c.bits + " header needs " +
                    std::to_string(c.headerSize));
    }
    const ElfFields fields(bytes, data == 2);
    const std::uint64_t tableOffset = fields.Read(wide ? 32 : 28, c.word);
    const std::uint64_t sectionsOffset = fields.Read(wide ? 40 : 32, c.word);
    const std::uint64_t entrySize = fields.Read(wide ? 54 : 42, 2);
    std::uint64_t count = fields.Read(wide ? 56 : 44, 2);
    const std::uint64_t sectionEntrySize = fields.Read(wide ? 58 : 46, 2);
    std::uint64_t sectionCount = fields.Read(wide ? 60 : 48, 2);
    std::uint64_t namesIndex = fields.Read(wide ? 62 : 50, 2);
    const bool sectionZero = sectionsOffset != 0 && Within(sectionsOffset, c.sectionSize, size) &&
                             sectionEntrySize >= c.sectionSize;
    if (count == kManySegments) {
        // The real count is section header 0's sh_info.
        if (!sectionZero) {
            return fail(
                "the program header count is in section header 0, which lies beyond the "
                "end of the file");
        }
        count = fields.Read(sectionsOffset + (wide ? 44 : 28), 4);
    }
    // Large counts and the names' index are kept in section header 0's sh_size and sh_link.
    if (sectionZero && sectionCount == 0)
        sectionCount = fields.Read(sectionsOffset + (wide ? 32 : 20), c.word);
    if (sectionZero && namesIndex == kIndexInSection0)
        namesIndex = fields.Read(sectionsOffset + (wide ? 40 : 24), 4);
    if (count > 0 && entrySize < c.segmentSize) {
        return fail(std::string("the program header entries are ") + std::to_string(entrySize) +
                    " bytes, less than a " + c.bits + " entry needs (" +
                    std::to_string(c.segmentSize) + ")");
    }
    if (count > 0 && (count > size / entrySize || !Within(tableOffset, count * entrySize, size))) {
        return beyond(std::string("the program header table (") + std::to_string(count) +
                      (count == 1 ? " entry" : " entries") + " at " + HexNumber(tableOffset) + ")");
    }
    std::vector<Segment> segments;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t at = tableOffset + i * entrySize;
        segments.push_back(
            {static_cast<std::uint32_t>(fields.Read(at, 4)),
             fields.Read(at + (wide ? 8 : 4), c.word), fields.Read(at + (wide ? 16 : 8), c.word),
             fields.Read(at + (wide ? 24 : 12), c.word), fields.Read(at + (wide ? 32 : 16), c.word),
             fields.Read(at + (wide ? 40 : 20), c.word)});
    }
    chunks.external = bytes;

    if (sectionsOffset == 0 || sectionCount == 0) {
        if (choice.Picks()) return fail("the ELF file has no section headers to pick sections of");
        chunks.originKind = "segment";
        for (std::uint64_t i = 0; i < segments.size(); ++i) {
            const Segment& segment = segments[i];
            if (segment.type != kLoadable || segment.fileSize == 0) continue;
            if (!Within(segment.offset, segment.fileSize, size)) {
                return beyond(std::string("segment ") + std::to_string(i) + " (PT_LOAD, " +
                              HexNumber(segment.fileSize) + " bytes at offset " +
                              HexNumber(segment.offset) + ")");
            }
            chunks.chunks.push_back(ImageChunk{segment.physicalAddress,
                                               static_cast<std::size_t>(segment.offset),
                                               static_cast<std::size_t>(segment.fileSize), i});
        }
        if (chunks.chunks.empty())
            return fail("the ELF file has no loadable segment with bytes in it");
        return {};
    }

    if (sectionEntrySize < c.sectionSize) {
        return fail(std::string("the section header entries are ") +
                    std::to_string(sectionEntrySize) + " bytes, less than a " + c.bits +
                    " entry needs (" + std::to_string(c.sectionSize) + ")");
    }
    if (sectionCount > size / sectionEntrySize ||
        !Within(sectionsOffset, sectionCount * sectionEntrySize, size)) {
        return beyond(std::string("the section header table (") + std::to_string(sectionCount) +
                      (sectionCount == 1 ? " entry" : " entries") + " at " +
                      HexNumber(sectionsOffset) + ")");
    }
    std::vector<Section> sections;
    for (std::uint64_t i = 0; i < sectionCount; ++i) {
        const std::uint64_t at = sectionsOffset + i * sectionEntrySize;
        sections.push_back({static_cast<std::uint32_t>(fields.Read(at, 4)),
                            static_cast<std::uint32_t>(fields.Read(at + 4, 4)),
                            fields.Read(at + 8, c.word), fields.Read(at + (wide ? 16 : 12), c.word),
                            fields.Read(at + (wide ? 24 : 16), c.word),
                            fields.Read(at + (wide ? 32 : 20), c.word),
                            static_cast<std::uint32_t>(fields.Read(at + (wide ? 40 : 24), 4))});
    }
    // The section names, from the string table the header points at.
    std::string_view names;
    if (namesIndex < sections.size()) {
        const Section& table = sections[namesIndex];
        if (table.type != kNoBits && Within(table.offset, table.size, size))
            names = std::string_view(reinterpret_cast<const char*>(bytes) + table.offset,
                                     static_cast<std::size_t>(table.size));
    }
    const auto nameOf = [names](const Section& section) {
        if (section.name >= names.size()) return std::string();
        const std::string_view rest = names.substr(section.name);
        return std::string(rest.substr(0, rest.find('\0')));
    };
    // Linkers that leave every physical address 0 mean none: then, with more than one loadable
    // segment, a section loads where it runs.
    const bool anyPhysical = std::any_of(segments.begin(), segments.end(),
                                         [](const Segment& s) { return s.physicalAddress != 0; });
    const auto loadable = std::count_if(segments.begin(), segments.end(), [](const Segment& s) {
        return s.type == kLoadable && s.memorySize != 0;
    });
    const bool segmentsGiveLoadAddresses = anyPhysical || loadable <= 1;

    chunks.originKind = "section";
    std::size_t allocated = 0;
    for (std::uint64_t i = 1; i < sections.size(); ++i) {
        const Section& section = sections[i];
        if ((section.flags & kAllocated) == 0 || section.type == kNoBits || section.size == 0)
            continue;
        ++allocated;
        const std::string name = nameOf(section);
        if (!choice.Takes(name)) continue;
        if (!Within(section.offset, section.size, size)) {
            return beyond("section " + name + " (" + HexNumber(section.size) + " bytes at offset " +
                          HexNumber(section.offset) + ")");
        }
        chunks.chunks.push_back(
            ImageChunk{LoadAddress(section, segments, segmentsGiveLoadAddresses),
                       static_cast<std::size_t>(section.offset),
                       static_cast<std::size_t>(section.size), chunks.originNames.size()});
        chunks.originNames.push_back(name);
    }
    if (chunks.chunks.empty()) {
        return fail(allocated == 0 ? "the ELF file has no allocated section with contents"
                                   : "none of the ELF file's " + std::to_string(allocated) +
                                         " allocated sections with contents is picked");
    }
    return {};
}
