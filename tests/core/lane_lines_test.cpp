// Memories in lanes: the layout's checks, and the lines of each width and lane count against
// values worked out here, from bytes in memory and from an image's pieces.
#include "conversion/core/lane_lines.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "conversion/core/bit_packing.h"
#include "conversion/core/byte_order.h"
#include "conversion/core/instance_names.h"
#include "conversion/core/ucf_rewriter.h"
#include "tests/core/lane_test_support.h"
#include "tests/core/reference_lanes.h"
#include "tests/core/reference_rewriter.h"
#include "tests/core/rewriter_test_support.h"
#include "tests/support/image_files.h"

namespace {

// The one helper: the lines of an image, as the run writes them.
struct Memory {
    std::uint32_t linesPerInstance;
    unsigned width;
    std::vector<std::string_view> components;
    int synthesizer = 0;

    MemoryLayout Layout() const {
        return {linesPerInstance, width, static_cast<unsigned>(components.size())};
    }
    SynthesizerKind Kind() const { return static_cast<SynthesizerKind>(synthesizer); }
    WideLines Wide(const WordImage& image) const {
        return LayOutLanes(image, Layout(), components, Kind());
    }
    std::string Text(const WordImage& image, std::string_view ucf = "") const {
        return RewriteUcf(Wide(image), ucf, RemovalRules{});
    }
    std::string Bytes(const std::vector<std::uint8_t>& bytes, std::string_view ucf = "") const {
        return Text(WordImage::FromBytes(bytes.data(), bytes.size()), ucf);
    }
    std::string Words(const std::vector<std::uint64_t>& words, std::string_view ucf = "") const {
        const std::vector<std::uint8_t> bytes =
            WordBytes(words, width * static_cast<unsigned>(components.size()));
        return Bytes(bytes, ucf);
    }
};

// The 64 digits of `instance`'s `attribute` line in `text`.
std::string Value(const std::string& text, const std::string& instance,
                  const std::string& attribute) {
    const std::string head = "INST " + instance + " " + attribute + " = ";
    const std::size_t at = text.find(head);
    return at == std::string::npos ? "(none)" : text.substr(at + head.size(), 64);
}

TEST(MemoryLayout, WidthsAndLanesAreCheckedWithTheReason) {
    using P = LayoutProblem;
    struct Case {
        MemoryLayout layout;
        P problem, asBytes;
    };
    const Case cases[] = {
        {{16, 8, 1}, P::None, P::None},
        {{16, 16, 4}, P::None, P::None},
        {{16, 1, 1}, P::None, P::NotWholeBytes},
        {{16, 9, 1}, P::WidthNotAllowed, P::WidthNotAllowed},
        {{16, 32, 1}, P::WidthNotAllowed, P::WidthNotAllowed},
        {{64, 18, 1}, P::None, P::NotWholeBytes},
        {{64, 18, 3}, P::None, P::NotWholeBytes},
        {{64, 16, 4}, P::None, P::None},
        {{128, 36, 1}, P::None, P::NotWholeBytes},
        {{128, 36, 2}, P::WordTooWide, P::WordTooWide},
        {{64, 3, 1}, P::WidthNotAllowed, P::WidthNotAllowed},
        {{128, 1, 64}, P::None, P::None},
        {{128, 1, 65}, P::LaneCount, P::LaneCount},
        {{128, 8, 0}, P::LaneCount, P::LaneCount},
        {{32, 8, 1}, P::BadBlockRamSize, P::BadBlockRamSize},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.layout.linesPerInstance << " lines, width "
                                        << c.layout.width << ", " << c.layout.lanes << " lanes");
        EXPECT_EQ(CheckLayout(c.layout), c.problem);
        EXPECT_EQ(CheckSourceLayout(c.layout, false, 1), c.asBytes);
        // Hex words give any width, but no word that is no whole bytes can be swapped.
        EXPECT_EQ(CheckSourceLayout(c.layout, true, 1), c.problem);
        if (c.asBytes == P::NotWholeBytes) {
            EXPECT_EQ(CheckSourceLayout(c.layout, true, 2), P::SwapNotWholeBytes);
            EXPECT_EQ(CheckExtractedLayout(c.layout, false, 1), P::NotWholeBytes);
        }
    }
    EXPECT_EQ(CheckExtractedLayout({16, 8, 1}, true, 4), P::HexWordsSwapped);
}

TEST(MemoryLayout, ComponentsWhoseInstanceNamesCanMeetAreFound) {
    struct Case {
        const char *a, *b;
        int synthesizer;
        bool overlap;
    };
    const Case cases[] = {
        {"ram", "RAM", 0, true},   {"ram", "ram_2", 0, true},   {"ram_2", "Ram", 0, true},
        {"ram", "ram_", 0, false}, {"ram", "ram_2a", 0, false}, {"ram", "ram1", 0, false},
        {"ram", "ram1", 1, true},  {"ram", "ram_1", 1, false},  {"ram", "ram1", -1, false},
        {"ram", "ram", -1, true},  {"lo", "hi", 0, false},      {"", "_3", 0, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(InstanceNamesOverlap(c.a, c.b, static_cast<SynthesizerKind>(c.synthesizer)),
                  c.overlap)
            << c.a << " / " << c.b << " / " << c.synthesizer;
    const std::vector<std::string_view> names = {"b0", "b1", "B0_7", "b3"};
    const auto pair = FindOverlappingComponents(names, SynthesizerKind::Synopsys);
    ASSERT_TRUE(pair.has_value());
    EXPECT_EQ(*pair, (std::pair<std::size_t, std::size_t>{0, 2}));
    EXPECT_FALSE(FindOverlappingComponents(names, SynthesizerKind::Xst).has_value());
}

// An 8-bit soft processor's program memory: 1024 instructions of 18 bits in one 16-Kbit block
// RAM. Bits 15..0 of each go to INIT_xx (16 words a line), bits 17..16 to INITP_xx (128 a line).
TEST(LaneLines, EighteenBitProgramMemoryFillsOneInstance) {
    std::vector<std::uint64_t> program(1024);
    for (std::size_t j = 0; j < program.size(); ++j) program[j] = (j * 0x9E3779B1u >> 7) & 0x3FFFF;
    const auto data = [&](std::size_t first) {  // 16 words, the first rightmost
        std::string digits;
        for (std::size_t j = first + 16; j-- > first;) digits += Hex(program[j] & 0xFFFF, 4);
        return digits;
    };
    const auto parity = [&](std::size_t first) {  // 128 words of 2 bits, two words a digit
        std::string digits;
        for (std::size_t j = first + 128; j > first; j -= 2)
            digits += Hex((program[j - 1] >> 16) << 2 | program[j - 2] >> 16, 1);
        return digits;
    };
    const auto line = [](const char* attribute, unsigned k, const std::string& digits) {
        std::string text = "INST pm ";  // appended: GCC 12 warns wrongly on "..." + string
        return text.append(attribute).append(Hex(k, 2)).append(" = ").append(digits) + ";\r\n";
    };
    std::string expected;  // INIT_00 .. INIT_3F, then INITP_00 .. INITP_07
    for (unsigned k = 0; k < 64; ++k) expected += line("INIT_", k, data(16 * k));
    for (unsigned k = 0; k < 8; ++k) expected += line("INITP_", k, parity(128 * k));
    const Memory memory{64, 18, {"pm"}};
    EXPECT_EQ(memory.Words(program), expected);
    // No words, no lines (an empty vector's words are still words, not bytes).
    EXPECT_EQ(memory.Words({}, "NET a;"), "NET a;");
    // One word more starts pm_1 with one INIT line and one INITP line.
    program.push_back(0x3FFFF);
    EXPECT_EQ(memory.Words(program), expected + "INST pm_1 INIT_00 = " + std::string(60, '0') +
                                         "FFFF;\r\nINST pm_1 INITP_00 = " + std::string(63, '0') +
                                         "3;\r\n");
}

TEST(LaneLines, ParityBitsOfNineAndThirtySixBitWords) {
    struct Setup {
        std::uint32_t lines;
        unsigned width;
        std::size_t words;
        std::vector<std::pair<std::size_t, std::uint64_t>> set;  // word, value
    };
    const Setup setups[] = {
        // x9 in 16 Kbit: 2048 words, 32 a data line, 256 a parity line (INITP_00 .. INITP_07).
        {64, 9, 2048, {{0, 0x1FF}, {5, 0x100}, {2047, 0x1AB}}},
        // x9 in 32 Kbit: 4096 words and 16 parity lines.
        {128, 9, 4096, {{4095, 0x100}, {256, 0x1C3}}},
        // x36 in 32 Kbit: 1024 words, 8 a data line, 64 a parity line (INITP_00 .. INITP_0F).
        {128, 36, 1024, {{0, 0xA12345678}, {1, 0x3000000FF}, {1023, 0x5DEADBEEF}}},
        // x36 in 16 Kbit: 512 words, INITP_00 .. INITP_07.
        {64, 36, 512, {{511, 0xF00000000}}},
    };
    struct Case {
        std::size_t setup;
        const char* attribute;
        std::size_t at;  // digits from the left
        std::string digits;
    };
    const Case cases[] = {
        {0, "INIT_00", 54, "00000000FF"}, {0, "INITP_00", 62, "21"},
        {0, "INITP_07", 0, "8"},          {0, "INIT_3F", 0, "AB"},
        {1, "INITP_0F", 0, "8"},          {1, "INITP_01", 63, "1"},
        {1, "INIT_08", 62, "C3"},         {2, "INIT_00", 48, "000000FF12345678"},
        {2, "INITP_00", 62, "3A"},        {2, "INIT_7F", 0, "DEADBEEF"},
        {2, "INITP_0F", 0, "5"},          {3, "INITP_07", 0, "F0"},
        {3, "INIT_3F", 0, "00000000"},
    };
    std::vector<std::string> texts;
    for (const Setup& c : setups) {
        std::vector<std::uint64_t> words(c.words);
        for (const auto& [word, value] : c.set) words[word] = value;
        texts.push_back(Memory{c.lines, c.width, {"m"}}.Words(words));
        SCOPED_TRACE(testing::Message() << "width " << c.width << ", " << c.lines << " lines");
        EXPECT_EQ(Lines(texts.back()).size(), c.lines + c.lines / 8u);
        EXPECT_EQ(texts.back(), reference::LaneText(words, c.width, 0, c.lines, "m", 0));
    }
    for (const Case& c : cases)
        EXPECT_EQ(Value(texts[c.setup], "m", c.attribute).substr(c.at, c.digits.size()), c.digits)
            << "setup " << c.setup << ", " << c.attribute;
}

TEST(LaneLines, EveryWidthAndLaneCountAgreesWithTheLiteralLayout) {
    std::mt19937_64 random(18);
    ForEachLayout(3, [&](const MemoryLayout& layout) {
        SCOPED_TRACE(testing::Message() << layout.linesPerInstance << " lines, width "
                                        << layout.width << " x " << layout.lanes);
        std::vector<std::uint64_t> words(std::uniform_int_distribution<std::size_t>(
            0, static_cast<std::size_t>(3 * WordsPerInstance(layout)))(random));
        for (auto& w : words) w = random() >> (64 - WordBits(layout));
        // A last word cut short, as a source's last bytes may leave it: the bytes it lacks
        // read as zeros.
        std::vector<std::uint8_t> bytes = WordBytes(words, WordBits(layout));
        const std::size_t cut = words.empty() ? 0 : random() % WordBytes(layout);
        bytes.resize(bytes.size() - cut);
        if (cut > 0) words.back() &= LowBits(8 * static_cast<unsigned>(WordBytes(layout) - cut));
        const LaneNames names(layout.lanes, "lane", "_x");
        std::string expected;
        for (unsigned i = 0; i < layout.lanes; ++i)
            expected +=
                reference::LaneText(words, layout.width, i, layout.linesPerInstance, names[i], 1);
        const WideLines wide = LayOutLanes(WordImage::FromBytes(bytes.data(), bytes.size()), layout,
                                           names.Views(), SynthesizerKind::Xst);
        std::string streamed;
        std::size_t blocks = 0;
        const auto sink = [&](const char* text, std::size_t size) {
            streamed.append(text, size);
            ++blocks;
            return true;
        };
        EXPECT_TRUE(StreamWideLines(wide, sink, 700));
        ASSERT_EQ(streamed, expected);
        EXPECT_EQ(WideTextSize(wide), expected.size());
        std::uint64_t lineCount = 0;
        for (const LaneLines& lane : wide.lanes) {
            lineCount += LaneLineCount(lane);
            EXPECT_EQ(LaneInstanceCount(lane), LaneInstancesNeeded(words.size(), layout));
        }
        EXPECT_EQ(lineCount, Lines(expected).size());
        EXPECT_GE(blocks, expected.size() / 800);  // blocks of about 700 bytes
    });
}

TEST(LaneLines, EachLanesSuffixStepsAfterItsOwnLastAttribute) {
    // Two byte lanes of 4 Kbit: 512 bytes of each lane an instance; 1030 bytes make 515 words.
    const std::vector<std::uint8_t> bytes = Counting(1030);
    const std::string tail = std::string(58, '0');
    for (const int synthesizer : {0, 1}) {
        // lo, its second instance, hi, its second instance
        const char* const xst[] = {"lo0", "lo1", "hi0", "hi1"};
        const char* const synopsys[] = {"lo", "lo_1", "hi", "hi_1"};
        const char* const* name = synthesizer == 0 ? synopsys : xst;
        const Memory memory{16, 8, {"lo", "hi"}, synthesizer};
        const std::vector<std::string> lines = Lines(memory.Bytes(bytes));
        ASSERT_EQ(lines.size(), 2 * 17u);
        EXPECT_EQ(lines[15].find(std::string("INST ") + name[0] + " INIT_0F = "), 0u);
        EXPECT_EQ(lines[16], std::string("INST ") + name[1] + " INIT_00 = " + tail + "040200;\r\n");
        EXPECT_EQ(lines[17].find(std::string("INST ") + name[2] + " INIT_00 = "), 0u);
        EXPECT_EQ(lines[33], std::string("INST ") + name[3] + " INIT_00 = " + tail + "050301;\r\n");
        const WideLines wide = memory.Wide(WordImage::FromBytes(bytes.data(), bytes.size()));
        for (const LaneLines& lane : wide.lanes) {
            EXPECT_EQ(LaneLineCount(lane), 17u);
            EXPECT_EQ(LaneInstanceCount(lane), 2u);
        }
        EXPECT_EQ(InstanceName(wide.lanes[1].data.component, memory.Kind(), 1), name[3]);
    }
}

// An image file's pieces, placed from the base with the fill in the gaps and their bytes
// swapped, give the lines of the dense image that srec_cat or objcopy would make of them, in
// every layout; bytes that need no packing are the lines themselves.
TEST(LaneLines, PlacedPiecesGiveTheLinesOfTheirDenseImage) {
    std::mt19937 random(7);
    const unsigned swaps[] = {1, 2, 4, 8};
    int round = 0;
    ForEachLayout(3, [&](const MemoryLayout& layout) {
        const unsigned swap = WordBits(layout) % 8 == 0 ? swaps[round++ % 4] : 1;
        SCOPED_TRACE(testing::Message()
                     << layout.linesPerInstance << " lines, width " << layout.width << " x "
                     << layout.lanes << ", swap " << swap);
        std::mt19937 blocksRandom(static_cast<unsigned>(round));
        const std::vector<ImageBlock> blocks = RandomBlocks(blocksRandom, 0x100, 0x3000);
        ImageChunks chunks;
        for (const ImageBlock& block : blocks)
            chunks.Add(block.address, reinterpret_cast<const std::uint8_t*>(block.bytes.data()),
                       block.bytes.size(), 1);
        const std::uint64_t base = 0x100 - random() % 0x20;
        std::uint64_t size = 0;
        ASSERT_FALSE(PlanImage(chunks, base, size));
        std::string dense = DenseImage(blocks, base, '\xA7');
        dense.resize(static_cast<std::size_t>(PaddedToWords(size, swap)), '\0');
        const std::vector<std::uint8_t> swapped =
            reference::Swapped(std::vector<std::uint8_t>(dense.begin(), dense.end()), swap);
        const LaneNames names(layout.lanes, "p", "");
        const Memory memory{layout.linesPerInstance, layout.width, names.Views(), 1};
        const WideLines placed =
            memory.Wide(WordImage::FromPieces(chunks, base, 0xA7, swap, PaddedToWords(size, swap)));
        ASSERT_TRUE(RewriteUcf(placed, "", {}) == memory.Bytes(swapped));
        const WideLines inMemory =
            memory.Wide(WordImage::FromBytes(swapped.data(), swapped.size()));
        if (layout.lanes == 1 && ParityBits(layout.width) == 0 && layout.width % 8 == 0) {
            EXPECT_TRUE(inMemory.packed.empty() && inMemory.lanes[0].data.data == swapped.data());
        }
    });
}

}  // namespace
