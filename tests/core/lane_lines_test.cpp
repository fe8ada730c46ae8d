// Memories in lanes: the layout's checks, the lines of each width and lane count against
// values worked out here, the fast path of today's layout, and the removal of several
// components.
#include "conversion/core/lane_lines.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "conversion/core/components_removal.h"
#include "tests/core/reference_lanes.h"
#include "tests/core/reference_rewriter.h"
#include "tests/core/rewriter_test_support.h"

namespace {

std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(n);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

// The one helper: the lines of an image through RewriteUcfLanes, as the run would write them.
struct Memory {
    std::uint32_t linesPerInstance;
    unsigned width;
    std::vector<std::string_view> components;
    int synthesizer = 0;

    MemoryLayout Layout() const {
        return {linesPerInstance, width, static_cast<unsigned>(components.size())};
    }
    std::string Text(const WordImage& image, std::string_view ucf = "") const {
        return RewriteUcfLanes(image, ucf, components, static_cast<SynthesizerKind>(synthesizer),
                               Layout());
    }
    std::string Bytes(const std::vector<std::uint8_t>& bytes, std::string_view ucf = "") const {
        return Text(WordImage::FromBytes(bytes.data(), bytes.size()), ucf);
    }
    std::string Words(const std::vector<std::uint64_t>& words, std::string_view ucf = "") const {
        return Text(WordImage::FromWords(words.data(), words.size()), ucf);
    }
};

// The 64 digits of `instance`'s `attribute` line in `text`.
std::string Value(const std::string& text, const std::string& instance,
                  const std::string& attribute) {
    const std::string head = "INST " + instance + " " + attribute + " = ";
    const std::size_t at = text.find(head);
    return at == std::string::npos ? "(none)" : text.substr(at + head.size(), 64);
}

std::uint64_t Mask(unsigned bits) {
    return bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

const std::uint32_t kSizes[] = {16, 64, 128};

std::string Hex(std::uint64_t value, unsigned digits) {
    std::string text(digits, '0');
    for (unsigned i = digits; i-- > 0; value >>= 4) text[i] = "0123456789ABCDEF"[value & 15];
    return text;
}

TEST(MemoryLayout, WidthsAndLanesAreCheckedWithTheReason) {
    struct Case {
        MemoryLayout layout;
        LayoutProblem problem, asBytes;
        const char* message;
    };
    const Case cases[] = {
        {{16, 8, 1}, LayoutProblem::None, LayoutProblem::None, ""},
        {{16, 16, 4}, LayoutProblem::None, LayoutProblem::None, ""},
        {{16, 1, 1},
         LayoutProblem::None,
         LayoutProblem::NotWholeBytes,
         "--width 1 with 1 component makes words of 1 bits, which are no whole bytes: such "
         "words come from a hex word file (--format mem)"},
        {{16, 9, 1},
         LayoutProblem::WidthNotAllowed,
         LayoutProblem::WidthNotAllowed,
         "--width 9 is not a width of --bram 4k (1, 2, 4, 8 or 16)"},
        {{16, 32, 1}, LayoutProblem::WidthNotAllowed, LayoutProblem::WidthNotAllowed, nullptr},
        {{64, 18, 1}, LayoutProblem::None, LayoutProblem::NotWholeBytes, nullptr},
        {{64, 18, 3}, LayoutProblem::None, LayoutProblem::NotWholeBytes, nullptr},
        {{64, 16, 4}, LayoutProblem::None, LayoutProblem::None, nullptr},
        {{128, 36, 1}, LayoutProblem::None, LayoutProblem::NotWholeBytes, nullptr},
        {{128, 36, 2},
         LayoutProblem::WordTooWide,
         LayoutProblem::WordTooWide,
         "--width 36 with 2 components makes words of 72 bits, more than 64"},
        {{64, 3, 1},
         LayoutProblem::WidthNotAllowed,
         LayoutProblem::WidthNotAllowed,
         "--width 3 is not a width of --bram 16k (1, 2, 4, 8, 9, 16, 18, 32 or 36)"},
        {{128, 1, 64}, LayoutProblem::None, LayoutProblem::None, nullptr},
        {{128, 1, 65},
         LayoutProblem::LaneCount,
         LayoutProblem::LaneCount,
         "--component is given 65 times; a memory has 1 to 64 components"},
        {{128, 8, 0}, LayoutProblem::LaneCount, LayoutProblem::LaneCount, nullptr},
        {{32, 8, 1}, LayoutProblem::BadBlockRamSize, LayoutProblem::BadBlockRamSize, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.layout.linesPerInstance << " lines, width "
                                        << c.layout.width << ", " << c.layout.lanes << " lanes");
        EXPECT_EQ(CheckLayout(c.layout), c.problem);
        EXPECT_EQ(CheckByteLayout(c.layout), c.asBytes);
        if (c.message) {
            EXPECT_EQ(DescribeLayoutProblem(c.asBytes, c.layout), c.message);
        }
    }
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
    const std::string text = Memory{64, 18, {"pm"}}.Words(program);

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
    EXPECT_EQ(Value(text, "pm", "INIT_00"), data(0));
    EXPECT_EQ(Value(text, "pm", "INIT_3F"), data(1008));
    EXPECT_EQ(Value(text, "pm", "INITP_00"), parity(0));
    EXPECT_EQ(Value(text, "pm", "INITP_07"), parity(896));
    const std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), 72u);  // INIT_00 .. INIT_3F, then INITP_00 .. INITP_07
    EXPECT_EQ(lines[63].substr(0, 16), "INST pm INIT_3F ");
    EXPECT_EQ(lines[64].substr(0, 17), "INST pm INITP_00 ");
    EXPECT_EQ(lines[71], "INST pm INITP_07 = " + parity(896) + ";\r\n");
    // No words, no lines (an empty vector's words are still words, not bytes).
    EXPECT_EQ((Memory{64, 18, {"pm"}}).Words({}, "NET a;"), "NET a;");
    // One word more starts pm_1 with one INIT line and one INITP line.
    program.push_back(0x3FFFF);
    const std::vector<std::string> more = Lines(Memory{64, 18, {"pm"}}.Words(program));
    ASSERT_EQ(more.size(), 74u);
    EXPECT_EQ(more[72], "INST pm_1 INIT_00 = " + std::string(60, '0') + "FFFF;\r\n");
    EXPECT_EQ(more[73], "INST pm_1 INITP_00 = " + std::string(63, '0') + "3;\r\n");
}

TEST(LaneLines, ParityBitsOfNineAndThirtySixBitWords) {
    struct Case {
        std::uint32_t lines;
        unsigned width;
        std::size_t words;
        std::vector<std::pair<std::size_t, std::uint64_t>> set;  // word, value
        std::vector<std::vector<std::string>> expect;  // attribute, digits from the left, text
    };
    const Case cases[] = {
        // x9 in 16 Kbit: 2048 words, 32 a data line, 256 a parity line (INITP_00 .. INITP_07).
        {64,
         9,
         2048,
         {{0, 0x1FF}, {5, 0x100}, {2047, 0x1AB}},
         {{"INIT_00", "54", "00000000FF"},
          {"INITP_00", "62", "21"},
          {"INITP_07", "0", "8"},
          {"INIT_3F", "0", "AB"}}},
        // x9 in 32 Kbit: 4096 words and 16 parity lines.
        {128,
         9,
         4096,
         {{4095, 0x100}, {256, 0x1C3}},
         {{"INITP_0F", "0", "8"}, {"INITP_01", "63", "1"}, {"INIT_08", "62", "C3"}}},
        // x36 in 32 Kbit: 1024 words, 8 a data line, 64 a parity line (INITP_00 .. INITP_0F).
        {128,
         36,
         1024,
         {{0, 0xA12345678}, {1, 0x3000000FF}, {1023, 0x5DEADBEEF}},
         {{"INIT_00", "48", "000000FF12345678"},
          {"INITP_00", "62", "3A"},
          {"INIT_7F", "0", "DEADBEEF"},
          {"INITP_0F", "0", "5"}}},
        // x36 in 16 Kbit: 512 words, INITP_00 .. INITP_07.
        {64,
         36,
         512,
         {{511, 0xF00000000}},
         {{"INITP_07", "0", "F0"}, {"INIT_3F", "0", "00000000"}}},
    };
    for (const Case& c : cases) {
        std::vector<std::uint64_t> words(c.words);
        for (const auto& [word, value] : c.set) words[word] = value;
        const std::string text = Memory{c.lines, c.width, {"m"}}.Words(words);
        SCOPED_TRACE(testing::Message() << "width " << c.width << ", " << c.lines << " lines");
        EXPECT_EQ(Lines(text).size(), c.lines + c.lines / 8u);
        for (const auto& e : c.expect)
            EXPECT_EQ(Value(text, "m", e[0]).substr(std::stoul(e[1]), e[2].size()), e[2]) << e[0];
        EXPECT_EQ(text, reference::LaneText(words, c.width, 0, c.lines, "m", 0));
    }
}

// Lanes without parity, from bytes: lane i of a word is bits i*width.. of it; its data bits
// packed one after the other give the bytes that today's conversion writes for the lane.
TEST(LaneLines, LanesFromBytesEqualConversionsOfEachLanesBits) {
    struct Case {
        std::uint32_t lines;
        unsigned width, lanes;
        int synthesizer;
    };
    const Case cases[] = {{64, 8, 4, 0},  {16, 8, 2, 1},  {16, 1, 8, 0},   {128, 2, 4, 1},
                          {16, 4, 2, 0},  {64, 16, 2, 0}, {128, 32, 2, 1}, {16, 16, 4, 0},
                          {64, 1, 64, 1}, {64, 4, 16, 0}};
    const std::vector<std::string> names = {"a", "b", "c", "d", "e", "f", "g", "h"};
    for (const Case& c : cases) {
        for (const std::size_t size : {0, 1, 3, 4, 5, 127, 128, 129, 2049, 8197, 40000}) {
            SCOPED_TRACE(testing::Message() << "width " << c.width << " x " << c.lanes << ", "
                                            << size << " bytes, " << c.lines << " lines");
            const std::vector<std::uint8_t> bytes = RandomBytes(size, static_cast<unsigned>(size));
            Memory memory{c.lines, c.width, {}, c.synthesizer};
            std::vector<std::string> components;
            for (unsigned i = 0; i < c.lanes; ++i)
                components.push_back(names[i % 8] + std::to_string(i / 8) + "x");
            for (const std::string& name : components) memory.components.push_back(name);

            const unsigned wordBits = c.width * c.lanes;
            const std::size_t words = (size * 8 + wordBits - 1) / wordBits;
            std::string expected;
            for (unsigned lane = 0; lane < c.lanes; ++lane) {
                std::vector<std::uint8_t> bits((words * c.width + 7) / 8);
                for (std::size_t n = 0; n < words * c.width; ++n) {
                    const std::size_t at = n / c.width * wordBits + lane * c.width + n % c.width;
                    if (at / 8 < size && (bytes[at / 8] >> (at % 8) & 1))
                        bits[n / 8] |= static_cast<std::uint8_t>(1 << (n % 8));
                }
                expected += reference::Rewrite(bits.data(), static_cast<std::uint32_t>(bits.size()),
                                               "", components[lane], c.synthesizer, c.lines);
            }
            ASSERT_EQ(memory.Bytes(bytes), expected);
        }
    }
}

TEST(LaneLines, EveryWidthAndLaneCountAgreesWithTheLiteralLayout) {
    std::mt19937_64 random(18);
    for (const std::uint32_t lines : {16u, 64u, 128u}) {
        for (const unsigned width : {1u, 2u, 4u, 8u, 9u, 16u, 18u, 32u, 36u}) {
            if (!IsAllowedWidth(width, lines)) continue;
            for (const unsigned lanes : {1u, 3u, 64u / width}) {
                if (lanes * width > 64) continue;
                const MemoryLayout layout{lines, width, lanes};
                std::vector<std::uint64_t> words(std::uniform_int_distribution<std::size_t>(
                    0, static_cast<std::size_t>(3 * WordsPerInstance(layout)))(random));
                for (auto& w : words) w = random() & Mask(WordBits(layout));
                std::vector<std::string> names;
                std::vector<std::string_view> components;
                for (unsigned i = 0; i < lanes; ++i)
                    names.push_back(std::string("lane").append(std::to_string(i)).append("_x"));
                for (const std::string& name : names) components.push_back(name);
                std::string expected;
                for (unsigned i = 0; i < lanes; ++i)
                    expected += reference::LaneText(words, width, i, lines, names[i], 1);
                const WideLines wide = LayOutLanes(WordImage::FromWords(words.data(), words.size()),
                                                   layout, components, SynthesizerKind::Xst);
                std::string streamed;
                std::size_t blocks = 0;
                EXPECT_TRUE(StreamWideLines(
                    wide,
                    [&](const char* text, std::size_t size) {
                        streamed.append(text, size);
                        ++blocks;
                        return true;
                    },
                    700));
                ASSERT_EQ(streamed, expected)
                    << lines << " lines, width " << width << " x " << lanes;
                EXPECT_EQ(WideTextSize(wide), expected.size());
                std::uint64_t lineCount = 0;
                for (const LaneLines& lane : wide.lanes) {
                    lineCount += LaneLineCount(lane);
                    EXPECT_EQ(LaneInstanceCount(lane), LaneInstancesNeeded(words.size(), layout));
                }
                EXPECT_EQ(lineCount, Lines(expected).size());
                EXPECT_GE(blocks, expected.size() / 800);  // blocks of about 700 bytes
            }
        }
    }
}

TEST(LaneLines, EachLanesSuffixStepsAfterItsOwnLastAttribute) {
    // Two byte lanes of 4 Kbit: 512 bytes of each lane an instance; 1030 bytes make 515 words.
    const std::vector<std::uint8_t> bytes = Counting(1030);
    for (const int synthesizer : {0, 1}) {
        const Memory memory{16, 8, {"lo", "hi"}, synthesizer};
        const std::vector<std::string> lines = Lines(memory.Bytes(bytes));
        ASSERT_EQ(lines.size(), 2 * 17u);
        const std::string lo = synthesizer == 0 ? "lo" : "lo0";
        const std::string lo1 = synthesizer == 0 ? "lo_1" : "lo1";
        const std::string hi = synthesizer == 0 ? "hi" : "hi0";
        const std::string hi1 = synthesizer == 0 ? "hi_1" : "hi1";
        EXPECT_TRUE(StartsWith(lines[15], "INST " + lo + " INIT_0F = "));
        EXPECT_EQ(lines[16], "INST " + lo1 + " INIT_00 = " + std::string(58, '0') + "040200;\r\n");
        EXPECT_TRUE(StartsWith(lines[17], "INST " + hi + " INIT_00 = "));
        EXPECT_EQ(lines[33], "INST " + hi1 + " INIT_00 = " + std::string(58, '0') + "050301;\r\n");
        const WideLines wide =
            LayOutLanes(WordImage::FromBytes(bytes.data(), bytes.size()), memory.Layout(),
                        memory.components, static_cast<SynthesizerKind>(synthesizer));
        for (const LaneLines& lane : wide.lanes) {
            EXPECT_EQ(LaneLineCount(lane), 17u);
            EXPECT_EQ(LaneInstanceCount(lane), 2u);
        }
        EXPECT_EQ(InstanceName(wide.lanes[1].data, 1), synthesizer == 0 ? "hi_1" : "hi1");
    }
}

TEST(ComponentsRemoval, EveryComponentsLinesGoAndAreCountedApart) {
    const std::string ucf =
        "NET clk;\r\n"
        "INST lo INIT_00 = 00;\r\n"
        "INST hi_1 INITP_07 = 00;\r\n"
        "INST other INIT_00 = 00;\r\n"
        "  inst LO_2 LOC = RAMB16_X0Y2;\n"
        "INST hi INITP_00 = 00;\r\n"
        "INST mid INIT_3F = 00;\r\n"
        "# last line";
    const std::vector<std::string_view> components = {"lo", "hi", "mid"};
    const ComponentsKeptText kept =
        KeptUcfTextOfComponents(ucf, components, SynthesizerKind::Synopsys, true);
    EXPECT_EQ(kept.text, "NET clk;\r\nINST other INIT_00 = 00;\r\n# last line\r\n");
    ASSERT_EQ(kept.removed.size(), 3u);
    EXPECT_EQ(kept.removed[0].removedLines, 2u);
    EXPECT_EQ(kept.removed[0].removedOtherLines, 1u);  // the placement
    EXPECT_EQ(kept.removed[1].removedLines, 2u);
    EXPECT_EQ(kept.removed[1].removedOtherLines, 0u);  // INITP_xx lines hold data too
    EXPECT_EQ(kept.removed[2].removedLines, 1u);
    const std::vector<RemovalCounts> counts =
        CountRemovedLinesOfComponents(ucf, components, SynthesizerKind::Synopsys);
    ASSERT_EQ(counts.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(counts[i].removedLines, kept.removed[i].removedLines);
    // The separator only when lines follow; one component is KeptUcfText itself.
    EXPECT_EQ(KeptUcfTextOfComponents(ucf, components, SynthesizerKind::Synopsys, false).text,
              "NET clk;\r\nINST other INIT_00 = 00;\r\n# last line");
    const std::vector<std::string_view> one = {"hi"};
    EXPECT_EQ(KeptUcfTextOfComponents(ucf, one, SynthesizerKind::Synopsys, true).text,
              KeptUcfText(ucf, "hi", SynthesizerKind::Synopsys, true).text);

    // Converting again replaces every lane's lines, parity included (no parity width has
    // words of whole bytes: such memories come from hex word files).
    const Memory memory{64, 18, {"lo", "hi", "mid"}};
    std::vector<std::uint64_t> words(3000);
    for (std::size_t i = 0; i < words.size(); ++i) words[i] = i * 0x9E3779B97F4A7C15u >> 10;
    const std::string once = memory.Words(words, ucf);
    EXPECT_TRUE(memory.Words(words, once) == once);
    const std::string bytes = Memory{16, 8, {"lo", "hi", "mid"}}.Bytes(Counting(5000), ucf);
    EXPECT_TRUE(memory.Words(words, bytes) == once);
}

// Today's layout, and one lane of 16 or 32 bits from bytes, write RewriteUcf's bytes for random
// UCF texts and sources, straight from the source's bytes.
TEST(ComponentsRemoval, TodaysLayoutEqualsRewriteUcfOverRandomInputs) {
    const std::vector<std::string> pieces = {
        "INST ", "inst ", "ram",  "RAM",           "_1", "1", " ", "\t",
        "\n",    "\r",    "\r\n", "INIT_00 = 00;", "x"};
    const std::size_t edges[] = {0, 1, 2, 3, 31, 33, 511, 513, 2049, 4097};
    std::mt19937 random(1);
    for (int round = 0; round < 600; ++round) {
        std::string ucf;
        for (auto i = random() % 40; i > 0; --i) ucf += pieces[random() % pieces.size()];
        const std::vector<std::uint8_t> bytes = RandomBytes(
            round < 200 ? edges[round % 10] : random() % 9000, static_cast<unsigned>(round));
        const int synthesizer = static_cast<int>(random() % 3) - (round % 7 == 0 ? 1 : 0);
        const std::uint32_t lines = kSizes[random() % 3];
        const unsigned width = lines == 16 ? 8u << (random() % 2) : 8u << (random() % 3);
        const Memory memory{lines, width, {"ram"}, synthesizer};
        SCOPED_TRACE(testing::Message() << bytes.size() << " bytes, width " << width);
        EXPECT_EQ(memory.Bytes(bytes, ucf),
                  RewriteUcf(bytes.data(), static_cast<std::uint32_t>(bytes.size()), ucf, "ram",
                             static_cast<SynthesizerKind>(synthesizer), lines));
        const WideLines wide =
            LayOutLanes(WordImage::FromBytes(bytes.data(), bytes.size()), memory.Layout(),
                        memory.components, static_cast<SynthesizerKind>(synthesizer));
        EXPECT_TRUE(wide.packed.empty() && wide.lanes[0].data.data == bytes.data());
    }
}

}  // namespace
