// The image file readers and the memory image they make, as the run uses them: each format's
// records and their corner cases, one failing file per class of error with the reason it
// gives, and the choice that `auto` makes.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "conversion/core/hex_words.h"
#include "conversion/core/image_format.h"
#include "conversion/core/memory_image.h"
#include "tests/support/image_files.h"

namespace {

struct Decoded {
    std::string bytes;  // empty when the file fails
    ImageError error;
};

// The file read as the run reads it: chunks, the plan, then the image placed.
Decoded Decode(ImageFormat format, const std::string& file, std::uint64_t base = 0,
               std::uint8_t fill = 0) {
    ImageChunks chunks;
    std::uint64_t size = 0;
    Decoded decoded;
    decoded.error = ReadImageChunks(format, reinterpret_cast<const std::uint8_t*>(file.data()),
                                    file.size(), chunks);
    if (!decoded.error) decoded.error = PlanImage(chunks, base, size);
    if (decoded.error) return decoded;
    decoded.bytes.assign(static_cast<std::size_t>(size), '?');
    PlacedBytes(chunks, base, fill)
        .Take(reinterpret_cast<std::uint8_t*>(decoded.bytes.data()), decoded.bytes.size());
    return decoded;
}

// Bytes by value, NUL included.
std::string B(std::initializer_list<unsigned> values) {
    std::string bytes;
    for (const unsigned value : values) bytes += static_cast<char>(value);
    return bytes;
}

std::string Record(unsigned type, unsigned offset, const std::string& data) {
    return IntelHexRecord(type, offset, data);
}
const std::string kEnd = ":00000001FF\n";

struct Case {
    const char* name;
    std::string file;
    std::string expected;  // the image, or the reason the file fails
    std::uint64_t base = 0;
    std::uint8_t fill = 0;
};

// Each case's file read as `format`: the image it makes, or the reason it fails for.
void Expect(ImageFormat format, bool fail, const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Decoded decoded = Decode(format, c.file, c.base, c.fill);
        EXPECT_EQ(decoded.error.reason, fail ? c.expected : "");
        EXPECT_EQ(decoded.bytes, fail ? "" : c.expected);
        EXPECT_FALSE(decoded.error.tooLarge);
    }
}
const bool kImages = false;
const bool kErrors = true;

TEST(IntelHex, RecordsTheirAddressesAndEachMalformedRecordWithItsLine) {
    const std::string ab = Record(0, 2, "AB");
    const std::string zab = std::string(2, '\0') + "AB";
    Expect(
        ImageFormat::IntelHex, kImages,
        {
            {"LF", ab + kEnd, zab},
            {"CR LF, blank lines and blanks",
             "\r\n  " + IntelHexRecord(0, 2, "AB", " \r\n") + "\t\r\n" + ":00000001FF \r\n", zab},
            {"lower-case digits", ":02000200414279\n:00000001ff\n", zab},
            {"anything after the end record is ignored",
             ab + kEnd + Record(0, 0, "zz") + "garbage\x01\x02", zab},
            {"start addresses are skipped",
             Record(3, 0, B({0x12, 0x34, 0x56, 0x78})) + Record(5, 0, B({0, 0, 1, 0})) + ab + kEnd,
             zab},
            {"04 crosses 64 KiB",
             Record(0, 0xFFFF, "A") + Record(4, 0, B({0, 1})) + Record(0, 0, "B") + kEnd, "AB",
             0xFFFF},
            {"a linear record runs on past 0xFFFF",
             Record(0, 0xFFFF, "AB") + Record(4, 0, B({0, 1})) + Record(0, 1, "C") + kEnd, "ABC",
             0xFFFF},
            {"02 segment base",
             Record(2, 0, B({0x10, 0})) + Record(0, 0xFFFF, "A") + Record(2, 0, B({0x20, 0})) +
                 Record(0, 0, "B") + kEnd,
             "AB", 0x1FFFF},
            {"a segment record wraps within its segment",
             Record(2, 0, B({0x10, 0})) + Record(0, 0xFFFF, "AB") + kEnd,
             "B" + std::string(0xFFFE, '\xEE') + "A", 0x10000, 0xEE},
            {"the same byte twice with one value", Record(0, 0, "ABC") + Record(0, 1, "B") + kEnd,
             "ABC"},
            {"gaps take the fill, from the base",
             Record(0, 0x102, "A") + Record(0, 0x105, "B") + kEnd, "\xFF\xFF\x41\xFF\xFF\x42",
             0x100, 0xFF},
            {"only the end record", kEnd, ""},
        });
    Expect(ImageFormat::IntelHex, kErrors,
           {
               {"checksum", ":0100000041BE\n:0100010042BD\n" + kEnd,
                "line 2: the checksum is BD, the record needs BC"},
               {"record type", ":00000006FA\n", "line 1: record type 06 is not one of 00 to 05"},
               {"odd digit count", "\n:0100000041B\n",
                "line 2: the record has an odd number of hex digits (11)"},
               {"not a hex digit", ":01000000G1BF\n", "line 1: 'G' is not a hex digit"},
               {"no colon", kEnd.substr(1), "line 1: a record starts with ':', not with '0'"},
               {"length", ":0200000041BD\n",
                "line 1: the record's length says 2 bytes of data, it holds 1"},
               {"too short", ":000000\n",
                "line 1: the record is 3 bytes long, too short for its length, address, type and "
                "checksum"},
               {"04 length", Record(4, 0, B({1})),
                "line 1: a type 04 record holds 2 bytes of data, this one 1"},
               {"no end record", Record(0, 0, "A"),
                "the file ends without an end-of-file record (type 01)"},
               {"overlap with another value", Record(0, 0x10, "ABC") + Record(0, 0x11, "Bx") + kEnd,
                "the byte at address 0x00000012 is given twice, as 0x43 and as 0x78"},
               {"below the base",
                Record(4, 0, B({0, 1})) + Record(0, 0x10, "A") + Record(4, 0, B({0, 0})) +
                    Record(0, 0xFF00, "B") + kEnd,
                "line 4: data at address 0x0000FF00, below the base 0x00010000", 0x10000},
           });
}

TEST(MemoryImage, AnImageOf4GiBFailsAsTooLargeBeforeItIsMade) {
    const Decoded decoded =
        Decode(ImageFormat::IntelHex,
               Record(0, 0, "A") + Record(4, 0, B({0xFF, 0xFF})) + Record(0, 0xFFFF, "B") + kEnd);
    EXPECT_TRUE(decoded.error.tooLarge);
    EXPECT_EQ(decoded.error.reason,
              "the data at address 0xFFFFFFFF ends 4 GiB or more above the base 0x00000000");
    // One byte less fits: the plan says so without making the image.
    ImageChunks chunks;
    const std::uint8_t byte = 0;
    chunks.Add(0xFFFFFFFE, &byte, 1, 1);
    std::uint64_t size = 0;
    EXPECT_FALSE(PlanImage(chunks, 0, size));
    EXPECT_EQ(size, kMaxImageSize);
    chunks.Add(std::uint64_t{0xFFFFFFFFFFFFFFFF}, &byte, 1, 2);
    EXPECT_TRUE(PlanImage(chunks, 0, size).tooLarge);
}

TEST(SRecords, RecordsCountsAddressWidthsAndEachMalformedRecordWithItsLine) {
    Expect(
        ImageFormat::SRecord, kImages,
        {
            {"S1 S2 S3 with a header and a start",
             SRecord('0', B({0, 0}) + "hdr") + SRecord('1', B({0, 2}) + "A") +
                 SRecord('2', B({0, 0, 3}) + "B") + SRecord('3', B({0, 0, 0, 4}) + "C") +
                 SRecord('7', B({0, 0, 0, 0})),
             std::string(2, '\0') + "ABC"},
            {"S5 counts the data records before it",
             SRecord('1', B({0, 0}) + "A") + SRecord('1', B({0, 1}) + "B") +
                 SRecord('5', B({0, 2})) + SRecord('9', B({0, 0})),
             "AB"},
            {"S6 has 24 bits of count",
             SRecord('2', B({1, 0, 0}) + "A") + SRecord('6', B({0, 0, 1})) +
                 SRecord('8', B({0, 0, 0})),
             "A", 0x10000},
            {"CR LF", "S104000041BA\r\nS9030000FC\r\n", "A"},
            {"Ctrl-Z at the end, as DOS tools leave it", "S104000041BA\nS9030000FC\n\x1A\x1A", "A"},
            {"no records at all", "", ""},
        });
    Expect(
        ImageFormat::SRecord, kErrors,
        {
            {"checksum", "S104000041BA\nS104000141BA\n",
             "line 2: the checksum is BA, the record needs B9"},
            {"record type", "S4030000FC\n",
             "line 1: record type S4 is not one of S0 to S3 or S5 to S9"},
            {"odd digit count", "S1040000416\n",
             "line 1: the record has an odd number of hex digits (9)"},
            {"count byte", "S1050000416A\n",
             "line 1: the record's count says 5 bytes follow it, 4 do"},
            {"S5 count", "S104000041BA\n" + SRecord('5', B({0, 2})),
             "line 2: the count record says 2 data records, the file has 1 before it"},
            {"not a record", "\n:00000001FF\n", "line 2: a record starts with 'S', not with ':'"},
            {"Ctrl-Z before the end", "\x1A\nS104000041BA\n",
             "line 1: a record starts with 'S', not with the byte 0x1A"},
            {"overlap with another value", "S104000041BA\n" + SRecord('1', B({0, 0}) + "B"),
             "the byte at address 0x00000000 is given twice, as 0x41 and as 0x42"},
            {"below the base", "S104000041BA\n",
             "line 1: data at address 0x00000000, below the base 0x00000001", 1},
        });
}

TEST(ElfImage, LoadableSegmentsInEveryClassAndByteOrderAndEachMalformedFile) {
    const std::vector<ElfSegment> segments = {
        {1, 0x20000000, 0x8100, "second", 0},
        {4, 0x0, 0x0, "a note, not loaded", 0},
        {1, 0x0, 0x8000, "first", 0x100},
        {1, 0x20001000, 0x9000, "", 0x400},  // .bss: nothing in the file
    };
    const std::string image = DenseImage({{0x8000, "first"}, {0x8100, "second"}}, 0x8000, '\x5A');
    const char* kinds[2][2] = {{"ELF32 LE", "ELF32 BE"}, {"ELF64 LE", "ELF64 BE"}};
    for (const bool wide : {false, true})
        for (const bool big : {false, true})
            Expect(ImageFormat::Elf, kImages,
                   {{kinds[wide][big], ElfFile(wide, big, segments), image, 0x8000, 0x5A}});
    const std::string good32 = ElfFile(false, false, {{1, 0, 0x100, "data", 0}});
    const std::string good64 = ElfFile(true, true, {{1, 0, 0x100, "data", 0}});
    std::string farTable = good64;
    farTable[32 + 7] = 0x70;  // e_phoff, big-endian
    Expect(ImageFormat::Elf, kErrors,
           {
               {"truncated header", good64.substr(0, 40),
                "the ELF header is cut short: the file has 40 bytes, a 64-bit header needs 64"},
               {"only the magic", good32.substr(0, 3),
                "the ELF header is cut short: the file has 3 bytes"},
               {"segment beyond the file", good32.substr(0, good32.size() - 1),
                "segment 0 (PT_LOAD, 0x4 bytes at offset 0x54) lies beyond the end of the file "
                "(87 bytes)"},
               {"program headers beyond the file", farTable,
                "the program header table (1 entry at 0x70) lies beyond the end of the file (124 "
                "bytes)"},
               {"not ELF", "\x7F\x45LG" + good32.substr(4),
                "not an ELF file: it does not start with 7F 45 4C 46"},
               {"class", good32.substr(0, 4) + "\x03" + good32.substr(5),
                "the ELF class is 3, not 1 (32-bit) or 2 (64-bit)"},
               {"no loadable bytes", ElfFile(false, true, {{1, 0, 0, "", 64}}),
                "the ELF file has no loadable segment with bytes in it"},
               {"overlapping segments",
                ElfFile(true, false, {{1, 0, 0x10, "abc", 0}, {1, 0, 0x12, "x", 0}}),
                "the byte at address 0x00000012 is given twice, as 0x63 and as 0x78"},
               {"below the base", good32,
                "segment 0: data at address 0x00000100, below the base 0x00000200", 0x200},
           });
}

TEST(HexWords, WordsAddressesCommentsAndWhatIsNoByteWideWord) {
    Expect(ImageFormat::HexWords, kImages,
           {
               {"words and blanks", "00 1\t2a\r\nFF\n", B({0, 1, 0x2A, 0xFF})},
               {"@ jumps, gaps filled", "@2 aa bb @6 cc // @0 dd\n", "\xEE\xEE\xAA\xBB\xEE\xEE\xCC",
                0, 0xEE},
               {"comments and underscores", "/* header\n 12 */ 1_2 // 34\n/**/3_4_ @0_3 56",
                B({0x12, 0x34, 0, 0x56})},
               {"the same word twice", "11 22 @1 22", "\x11\x22"},
               {"nothing", "// empty\n", ""},
           });
    Expect(
        ImageFormat::HexWords, kErrors,
        {
            {"x", "00\n1x\n", "line 2: 'x' is not a hex digit"},
            {"z", "zz", "line 1: 'z' is not a hex digit"},
            {"three digits", "12\n\n012",
             "line 3: the word 012 has 3 hex digits, more than 8 bits take"},
            {"comment not closed", "12\n/* 34\n56\n", "line 2: the comment is not closed"},
            {"leading underscore", "_12", "line 1: a word starts with a hex digit, not with '_'"},
            {"@ alone", "@ 12",
             "line 1: '@' is followed by the index of the next word, in hex digits"},
            {"a lone slash", "12/34", "line 1: '/' is not a hex digit"},
            {"overlap with another value", "11 22 @1 33",
             "the byte at address 0x00000001 is given twice, as 0x22 and as 0x33"},
        });
}

TEST(HexWords, WiderWordsComeAsTheirBytesAtTheirIndices) {
    const auto read = [](const std::string& text, ImageChunks& chunks, unsigned width) {
        return ReadHexWords(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), width,
                            chunks);
    };
    // Four bytes a word, least significant first, at the index times four; words that follow
    // each other make one piece.
    ImageChunks chunks;
    ASSERT_FALSE(read("@10 dead_beef 0 @2 ffff_ffff", chunks, 32));
    ASSERT_EQ(chunks.chunks.size(), 2u);
    EXPECT_EQ(chunks.chunks[0].address, 0x40u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(chunks.Bytes()), chunks.decoded.size()),
              B({0xEF, 0xBE, 0xAD, 0xDE, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(chunks.chunks[1].address, 8u);
    const struct {
        unsigned width;
        const char* word;
        bool fits;
    } widths[] = {{9, "3ff", false},
                  {16, "1_0000", false},
                  {64, "1_0000_0000_0000_0000", false},
                  {64, "ffff_ffff_ffff_ffff", true}};
    for (const auto& w : widths) {
        ImageChunks some;
        EXPECT_EQ(!read(w.word, some, w.width), w.fits) << w.width << " " << w.word;
    }
}

// A name that names a format decides; any other name, and standard input, leave it to what the
// bytes unmistakably are: an ELF header, or a first line that is a whole record's characters.
// Hex words are never told by content, nor is a text that only starts like a record.
TEST(ImageFormatChoice, AutoGoesByTheExtensionElseByUnmistakableContent) {
    const auto chosen = [](ImageFormat requested, const char* path, const std::string& content) {
        return ChosenFormat(requested, path, path == std::string("-"),
                            reinterpret_cast<const std::uint8_t*>(content.data()), content.size());
    };
    // By the extension alone: an S-record, an ELF header or a leading ':' changes nothing
    // (save that the Intel HEX extensions hold hex words when they do not start with ':').
    const std::vector<std::pair<ImageFormat, std::vector<const char*>>> byExtension = {
        {ImageFormat::IntelHex, {"a.ihx", "a.h86", "a.iHex"}},
        {ImageFormat::SRecord, {"fw.S19", "fw.s28", "fw.s37", "fw.srec", "fw.mot"}},
        {ImageFormat::Elf, {"fw.elf", "C:\\fw.axf"}},
        {ImageFormat::HexWords, {"ram.mem"}},
    };
    for (const std::string& content : {std::string(":00000001FF"), std::string("S9030000FC"),
                                       std::string("\x7F"
                                                   "ELF\x01\x01",
                                                   6)})
        for (const auto& [expected, paths] : byExtension)
            for (const char* path : paths) {
                if (expected != ImageFormat::IntelHex || content[0] == ':') {
                    EXPECT_EQ(chosen(ImageFormat::Auto, path, content), expected) << path;
                }
            }
    const char* unnamed[] = {"rom.bin", "dir.elf/rom", "dir.elf\\rom", "rom.hex.gz", "hex", "-"};
    const struct {
        std::string content;
        ImageFormat expected;
    } byContent[] = {
        {":00000001FF", ImageFormat::IntelHex},
        {"\r\n  \t\n:1000000000112233445566778899AABBCCDDEEFF78\r\nanything",
         ImageFormat::IntelHex},
        {":0000000\n", ImageFormat::Bin},  // shorter than a record's frame
        {":00000001FG\n", ImageFormat::Bin},
        {":00 000001FF\n", ImageFormat::Bin},
        {"S00600004844521B\nS9030000FC\n", ImageFormat::SRecord},
        {"S1130000", ImageFormat::Bin},
        {"SX030000FC", ImageFormat::Bin},
        {"S10 units\n", ImageFormat::Bin},
        {std::string("\x7F"
                     "ELF",
                     4),
         ImageFormat::Elf},
        {std::string("\x7F"
                     "EL",
                     3),
         ImageFormat::Bin},
        {"@0 00 11 22\n", ImageFormat::Bin},  // hex words only by their name
        {"0011223344556677\n", ImageFormat::Bin},
        {"", ImageFormat::Bin},
    };
    for (const auto& c : byContent) {
        for (const char* path : unnamed) {
            EXPECT_EQ(chosen(ImageFormat::Auto, path, c.content), c.expected)
                << path << " " << c.content;
            EXPECT_EQ(chosen(ImageFormat::Bin, path, c.content), ImageFormat::Bin) << path;
        }
    }
    const struct {
        ImageFormat requested;
        const char* path;  // "-" is standard input
        std::string content;
        ImageFormat expected;
    } choices[] = {
        {ImageFormat::Auto, "ROM.HEX", " \r\n\t:00000001FF", ImageFormat::IntelHex},
        {ImageFormat::Auto, "dir.v1/rom.hex", "00 11\n", ImageFormat::HexWords},
        {ImageFormat::Auto, "rom.hex", "", ImageFormat::HexWords},
        {ImageFormat::Auto, "rom.hex", "S9030000FC", ImageFormat::HexWords},
        {ImageFormat::IntelHex, "-", "", ImageFormat::IntelHex},
        {ImageFormat::Bin, "rom.hex", ":", ImageFormat::Bin},
        {ImageFormat::HexWords, "rom.hex", ":", ImageFormat::HexWords},
        {ImageFormat::HexWords, "-", ":00000001FF", ImageFormat::HexWords},
    };
    for (const auto& c : choices)
        EXPECT_EQ(chosen(c.requested, c.path, c.content), c.expected) << c.path << " " << c.content;
}

TEST(ImageFormatChoice, TheReportSaysWhatTheImageWas) {
    const struct {
        ImageFormat format;
        std::uint64_t address, size;
        const char* text;
    } reports[] = {
        {ImageFormat::IntelHex, 0, 2048, "Intel HEX, 2048 bytes at 0x0000..0x07FF"},
        {ImageFormat::SRecord, 0xE000, 0x2000, "S-records, 8192 bytes at 0xE000..0xFFFF"},
        {ImageFormat::Elf, 0xFFFF, 2, "ELF, 2 bytes at 0x0000FFFF..0x00010000"},
        {ImageFormat::Elf, 0xFFFFFFFF, 1, "ELF, 1 byte at 0xFFFFFFFF..0xFFFFFFFF"},
        {ImageFormat::Elf, 0xFFFFFFFF, 2, "ELF, 2 bytes at 0x00000000FFFFFFFF..0x0000000100000000"},
        {ImageFormat::HexWords, 0, 0, "hex words, 0 bytes"},
        {ImageFormat::Bin, 0, 1040, "raw binary, 1040 bytes at 0x0000..0x040F"},
    };
    for (const auto& r : reports) EXPECT_EQ(DescribeImage(r.format, r.address, r.size), r.text);
}

}  // namespace
