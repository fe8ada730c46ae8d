#include "conversion/core/ucf_rewriter.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/core/rewriter_test_support.h"

using namespace std::string_literals;

namespace {

constexpr int kSynopsys = 0;
constexpr int kXst = 1;
constexpr int kNone = -1;

const std::string kZeros = std::string(64, '0');

}  // namespace

// ---- Generated lines -----------------------------------------------------------------------

TEST(RewriteUcfGeneration, ValuesAreTheChunkReversedAShortLastOnePaddedAtTheHighEnd) {
    EXPECT_EQ(Convert("", "ram", kSynopsys, Counting(32)),
              "INST ram INIT_00 = "
              "1F1E1D1C1B1A191817161514131211100F0E0D0C0B0A09080706050403020100;\r\n");
    std::string ab;
    for (int i = 0; i < 32; ++i) ab += "AB";
    EXPECT_EQ(Convert("", "r", kSynopsys, std::vector<std::uint8_t>(32, 0xab)),
              "INST r INIT_00 = " + ab + ";\r\n");
    EXPECT_EQ(Convert("", "ram", kSynopsys, {0xAB, 0x01, 0xFF}),
              "INST ram INIT_00 = " + std::string(58, '0') + "FF01AB;\r\n");
    EXPECT_EQ(Lines(Convert("", "ram", kSynopsys, Counting(33)))[1],
              "INST ram INIT_01 = " + std::string(62, '0') + "20;\r\n");
    // An empty name leaves the keyword followed by two spaces.
    EXPECT_EQ(Convert("", "", kSynopsys, {0x5A}),
              "INST  INIT_00 = " + std::string(62, '0') + "5A;\r\n");
    const std::string name(40000, 'n');  // a prefix far longer than a block
    EXPECT_EQ(Lines(Convert("", name, kXst, Counting(64)))[1],
              "INST " + name + "0 INIT_01 = " +
                  "3F3E3D3C3B3A393837363534333231302F2E2D2C2B2A29282726252423222120;\r\n");
}

// Which instance and attribute each line names: the digits 00 to the instance's last, then
// the next suffix (none without a convention), whatever the block RAM size.
TEST(RewriteUcfGeneration, LinesNameTheirInstanceAndAttribute) {
    struct Row {
        std::size_t bytes;
        const char* component;
        int synthesizer;
        std::uint32_t linesPerInstance;
        std::vector<std::pair<std::size_t, const char*>> targets;  // line, what it names
    };
    const std::vector<Row> rows = {
        {1040, "b", kSynopsys, 16, {{9, "b INIT_09"}, {10, "b INIT_0A"}, {16, "b_1 INIT_00"}}},
        {1040, "b", kXst, 16, {{0, "b0 INIT_00"}, {15, "b0 INIT_0F"}, {32, "b2 INIT_00"}}},
        {512, "b", kSynopsys, 16, {{15, "b INIT_0F"}}},  // no line for the next instance
        {512 * 12 + 1, "m", kSynopsys, 16, {{16 * 10 + 15, "m_10 INIT_0F"}, {192, "m_12 INIT_00"}}},
        {512 * 12 + 1, "m", kXst, 16, {{16 * 11 + 3, "m11 INIT_03"}, {192, "m12 INIT_00"}}},
        {1040, "b", kNone, 16, {{15, "b INIT_0F"}, {16, "b INIT_00"}, {32, "b INIT_00"}}},
        {1040, "b", 7, 16, {{32, "b INIT_00"}}},
        {1, "My Ram", kSynopsys, 16, {{0, "My Ram INIT_00"}}},
        {600, "", kXst, 16, {{18, "1 INIT_02"}}},
        {2049, "r", kSynopsys, 64, {{63, "r INIT_3F"}, {64, "r_1 INIT_00"}}},
        {4097, "r", kXst, 128, {{127, "r0 INIT_7F"}, {128, "r1 INIT_00"}}},
        {4097, "r", kNone, 64, {{127, "r INIT_3F"}, {128, "r INIT_00"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.bytes << " bytes of " << row.component << ", "
                                        << row.synthesizer << ", " << row.linesPerInstance);
        const std::vector<std::uint8_t> data = Counting(row.bytes);
        const std::vector<std::string> lines = Lines(
            RewriteUcf(data.data(), static_cast<std::uint32_t>(data.size()), "", row.component,
                       static_cast<SynthesizerKind>(row.synthesizer), row.linesPerInstance));
        ASSERT_EQ(lines.size(), (row.bytes + 31) / 32);
        for (const auto& [line, target] : row.targets) {
            const std::size_t eq = lines.at(line).find(" = ");
            EXPECT_EQ(lines[line].substr(5, eq - 5), target) << "line " << line;
        }
    }
}

// ---- Removal through the rewriter (its rules: tests/core/removal_rules_test.cpp) -----------

TEST(RewriteUcfRemoval, LinesOfTheOtherConventionStay) {
    const std::vector<std::uint8_t> data = Counting(600);
    const std::string synopsysLines = Convert("", "bram", kSynopsys, data);
    const std::string xstLines = Convert("", "bram", kXst, data);
    // bram and bram_1 carry no bare digits after the name; bram0 and bram1 carry no blank or
    // underscore after it: neither convention takes the other's lines.
    const std::string both = Convert(synopsysLines, "bram", kXst, data);
    EXPECT_EQ(both, synopsysLines + xstLines);
    EXPECT_EQ(Convert(both, "bram", kSynopsys, data), xstLines + synopsysLines);
}

TEST(RewriteUcfRemoval, DoesNotKnowWhichComponentWroteALine) {
    const std::string ram1 = Convert("", "ram1", kXst, Counting(1040));
    EXPECT_EQ(Convert(ram1, "ram", kXst), "");  // ram10, ram11, ram12 all look like ram + digits
    const std::string underscored = Convert("", "ram_1", kSynopsys, Counting(32));
    EXPECT_EQ(Convert(underscored, "ram", kSynopsys), "");
}

// ---- The kept text: a line break before the new lines, NUL bytes kept -------------------

TEST(RewriteUcfKeptText, FirstNewLineStartsOnItsOwnLine) {
    const std::string line0 = "INST ram INIT_00 = " + std::string(62, '0') + "01;\r\n";
    EXPECT_EQ(Convert("# last comment", "ram", kSynopsys, {1}), "# last comment\r\n" + line0);
    EXPECT_EQ(Convert("NET a;\r", "ram", kSynopsys, {1}), "NET a;\r\r\n" + line0);
    EXPECT_EQ(Convert("NET a;\n", "ram", kSynopsys, {1}), "NET a;\n" + line0);
    EXPECT_EQ(Convert("", "ram", kSynopsys, {1}), line0);
    // When everything kept ends with a line feed, or nothing is kept, nothing is inserted.
    EXPECT_EQ(Convert("INST ram_3 X;", "ram", kSynopsys, {1}), line0);
    EXPECT_EQ(Convert("a\nINST ram_3 X;", "ram", kSynopsys, {1}), "a\n" + line0);
    // No new lines: the text stays as it was.
    EXPECT_EQ(Convert("NET a;", "ram", kSynopsys), "NET a;");
}

TEST(RewriteUcfKeptText, GluedTextConvertsTheSameWayTwice) {
    const std::vector<std::uint8_t> data = Counting(700);
    for (std::string ucf : {"# comment"s, "NET a LOC = P1;"s, "  "s, "x\n\t"s}) {
        const std::string once = Convert(ucf, "ram", kSynopsys, data);
        EXPECT_EQ(once.substr(0, ucf.size() + 2), ucf + "\r\n");
        EXPECT_EQ(Convert(once, "ram", kSynopsys, data), once) << ucf;
    }
}

TEST(RewriteUcfKeptText, NulBytesAreOrdinaryCharacters) {
    const std::string ucf = "a\0b\nINST ram_1 X;\n\0INST ram_2 X;\nINST ram\0 X;\nt\0"s;
    const std::string out = Convert(ucf, "ram", kSynopsys, {0, 0});
    EXPECT_EQ(out.substr(0, 36), "a\0b\n\0INST ram_2 X;\nINST ram\0 X;\nt\0\r\n"s);
    EXPECT_EQ(out.substr(36), "INST ram INIT_00 = " + kZeros + ";\r\n");
}
