// Image files written by the tests themselves, from memory contents they choose: Intel HEX with
// records of any length, S-records and ELF files of either class and byte order. The tests read
// them back and compare with the contents they started from.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

// `bytes` at `address`.
struct ImageBlock {
    std::uint64_t address = 0;
    std::string bytes;
};

// The address after the last byte of any block.
inline std::uint64_t ImageEnd(const std::vector<ImageBlock>& blocks) {
    std::uint64_t end = 0;
    for (const ImageBlock& block : blocks) end = std::max(end, block.address + block.bytes.size());
    return end;
}

// The memory from `base` to the last byte of any block, `fill` in the gaps.
inline std::string DenseImage(const std::vector<ImageBlock>& blocks, std::uint64_t base,
                              char fill) {
    std::string image(std::max(ImageEnd(blocks), base) - base, fill);
    for (const ImageBlock& block : blocks)
        image.replace(block.address - base, block.bytes.size(), block.bytes);
    return image;
}

inline std::string RandomBytes(std::mt19937& random, std::size_t length) {
    std::string bytes(length, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

// A few blocks of random bytes with gaps between them, the first at `from` or after, all
// below `below`.
inline std::vector<ImageBlock> RandomBlocks(std::mt19937& random, std::uint64_t from,
                                            std::uint64_t below) {
    std::vector<ImageBlock> blocks;
    std::uint64_t at = from + random() % 64;
    const std::uint64_t span = below - from;
    while (blocks.size() < 6) {
        const std::uint64_t length = 1 + random() % (span / 8);
        if (at + length > below) break;
        blocks.push_back({at, RandomBytes(random, length)});
        at += length + 1 + random() % (span / 10);
    }
    return blocks;
}

// `bytes` as pairs of hex digits, then their checksum: the two's complement of their sum (Intel
// HEX) or its ones' complement (S-records).
inline std::string HexWithChecksum(const std::string& bytes, bool onesComplement) {
    std::string text;
    unsigned sum = 0;
    char pair[3];
    for (const char c : bytes) {
        std::snprintf(pair, sizeof pair, "%02X", static_cast<unsigned char>(c));
        text += pair;
        sum += static_cast<unsigned char>(c);
    }
    std::snprintf(pair, sizeof pair, "%02X", (onesComplement ? ~sum : 0x100 - sum) & 0xFF);
    return text + pair;
}

// One Intel HEX record: the length, the offset, the type, the data and its checksum.
inline std::string IntelHexRecord(unsigned type, unsigned offset, const std::string& data,
                                  const char* lineEnd = "\n") {
    const std::string head{static_cast<char>(data.size()), static_cast<char>(offset >> 8),
                           static_cast<char>(offset), static_cast<char>(type)};
    // Appended in place: GCC 12 warns falsely (-Wrestrict) on ":" + std::string&&.
    std::string record(1, ':');
    record += HexWithChecksum(head + data, false);
    record += lineEnd;
    return record;
}

// One S-record: the type, the count, the address and data, and the checksum.
inline std::string SRecord(char type, const std::string& addressAndData) {
    const std::string counted = static_cast<char>(addressAndData.size() + 1) + addressAndData;
    return std::string("S") + type + HexWithChecksum(counted, true) + "\n";
}

// The blocks as Intel HEX with records of 1 to 255 bytes (random lengths), none crossing a
// 64 KiB boundary; the upper address bits in extended linear (04) or, below 1 MiB, extended
// segment (02) records.
inline std::string IntelHexText(const std::vector<ImageBlock>& blocks, std::mt19937& random,
                                bool segments, const char* lineEnd = "\n") {
    std::string text;
    std::uint64_t upper = ~std::uint64_t{0};
    for (const ImageBlock& block : blocks) {
        for (std::size_t done = 0; done < block.bytes.size();) {
            const std::uint64_t address = block.address + done;
            if (address >> 16 != upper) {
                upper = address >> 16;
                const auto value = static_cast<unsigned>(segments ? upper << 12 : upper);
                text += IntelHexRecord(
                    segments ? 0x02 : 0x04, 0,
                    std::string{static_cast<char>(value >> 8), static_cast<char>(value)}, lineEnd);
            }
            const std::size_t room = 0x10000 - (address & 0xFFFF);
            const std::size_t length =
                std::min<std::size_t>({1 + random() % 255, block.bytes.size() - done, room});
            text += IntelHexRecord(0x00, static_cast<unsigned>(address & 0xFFFF),
                                   block.bytes.substr(done, length), lineEnd);
            done += length;
        }
    }
    return text + IntelHexRecord(0x01, 0, "", lineEnd);
}

// A program header's worth of an ELF file: its type, addresses and the bytes in the file.
struct ElfSegment {
    std::uint32_t type = 1;  // PT_LOAD
    std::uint64_t virtualAddress = 0;
    std::uint64_t physicalAddress = 0;
    std::string bytes;
    std::uint64_t memoryExtra = 0;  // p_memsz beyond the file's bytes (.bss)
};

// An executable of the class and byte order asked for: the header, the program headers, then
// each segment's bytes in turn.
inline std::string ElfFile(bool wide, bool bigEndian, const std::vector<ElfSegment>& segments) {
    std::string file;
    const auto put = [&](std::uint64_t value, unsigned width) {
        for (unsigned i = 0; i < width; ++i) {
            const unsigned shift = bigEndian ? 8 * (width - 1 - i) : 8 * i;
            file += static_cast<char>(value >> shift);
        }
    };
    const unsigned word = wide ? 8 : 4;
    const std::uint64_t headerSize = wide ? 64 : 52;
    const std::uint64_t entrySize = wide ? 56 : 32;
    file = std::string("\x7F\x45LF") + static_cast<char>(wide ? 2 : 1) +
           static_cast<char>(bigEndian ? 2 : 1) + std::string("\x01\0\0\0\0\0\0\0\0\0", 10);
    put(2, 2);                   // e_type: ET_EXEC
    put(wide ? 0x3E : 0x28, 2);  // e_machine
    put(1, 4);                   // e_version
    put(0, word);                // e_entry
    put(headerSize, word);       // e_phoff
    put(0, word);                // e_shoff
    put(0, 4);                   // e_flags
    put(headerSize, 2);          // e_ehsize
    put(entrySize, 2);           // e_phentsize
    put(segments.size(), 2);     // e_phnum
    put(wide ? 64 : 40, 2);      // e_shentsize
    put(0, 2);                   // e_shnum
    put(0, 2);                   // e_shstrndx
    std::uint64_t offset = headerSize + entrySize * segments.size();
    for (const ElfSegment& segment : segments) {
        const std::uint64_t memory = segment.bytes.size() + segment.memoryExtra;
        put(segment.type, 4);
        if (wide) put(5, 4);  // p_flags
        put(offset, word);
        put(segment.virtualAddress, word);
        put(segment.physicalAddress, word);
        put(segment.bytes.size(), word);
        put(memory, word);
        if (!wide) put(5, 4);
        put(4, word);  // p_align
        offset += segment.bytes.size();
    }
    for (const ElfSegment& segment : segments) file += segment.bytes;
    return file;
}
