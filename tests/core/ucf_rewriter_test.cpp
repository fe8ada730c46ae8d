#include "conversion/core/ucf_rewriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/core/rewriter_test_support.h"

using namespace std::string_literals;

namespace {

constexpr int kSynopsys = 0;
constexpr int kXst = 1;
constexpr int kNone = -1;

const std::string kZeros = std::string(64, '0');

// The instance and attribute part of each generated line: "bram_1 INIT_0A".
std::vector<std::string> Targets(const std::string& text) {
    std::vector<std::string> targets;
    for (const std::string& line : Lines(text)) {
        const std::size_t eq = line.find(" = ");
        targets.push_back(line.substr(5, eq - 5));
    }
    return targets;
}

}  // namespace

// ---- Generated lines -----------------------------------------------------------------------

TEST(RewriteUcfGeneration, WritesTheChunkReversedInUpperCaseHex) {
    EXPECT_EQ(Convert("", "ram", kSynopsys, Counting(32)),
              "INST ram INIT_00 = "
              "1F1E1D1C1B1A191817161514131211100F0E0D0C0B0A09080706050403020100;\r\n");
    std::string ab;
    for (int i = 0; i < 32; ++i) ab += "AB";
    EXPECT_EQ(Convert("", "r", kSynopsys, std::vector<std::uint8_t>(32, 0xab)),
              "INST r INIT_00 = " + ab + ";\r\n");
}

TEST(RewriteUcfGeneration, PadsAShortLastChunkAtTheHighEnd) {
    EXPECT_EQ(Convert("", "ram", kSynopsys, {0xAB, 0x01, 0xFF}),
              "INST ram INIT_00 = " + std::string(58, '0') + "FF01AB;\r\n");
    const std::string two = Convert("", "ram", kSynopsys, Counting(33));
    ASSERT_EQ(Lines(two).size(), 2u);
    EXPECT_EQ(Lines(two)[1], "INST ram INIT_01 = " + std::string(62, '0') + "20;\r\n");
}

TEST(RewriteUcfGeneration, AttributeDigitsRunFrom00To0FThenTheInstanceChanges) {
    const std::string out = Convert("", "bram", kSynopsys, Counting(1040));
    const auto targets = Targets(out);
    ASSERT_EQ(targets.size(), 33u);
    const char* digits = "0123456789ABCDEF";
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(targets[i], "bram INIT_0"s + digits[i]);
        EXPECT_EQ(targets[16 + i], "bram_1 INIT_0"s + digits[i]);
    }
    EXPECT_EQ(targets[32], "bram_2 INIT_00");
    EXPECT_EQ(Lines(out)[32], "INST bram_2 INIT_00 = " + std::string(32, '0') +
                                  "0F0E0D0C0B0A09080706050403020100;\r\n");

    const auto xst = Targets(Convert("", "bram", kXst, Counting(1040)));
    ASSERT_EQ(xst.size(), 33u);
    EXPECT_EQ(xst[0], "bram0 INIT_00");
    EXPECT_EQ(xst[15], "bram0 INIT_0F");
    EXPECT_EQ(xst[16], "bram1 INIT_00");
    EXPECT_EQ(xst[32], "bram2 INIT_00");
}

TEST(RewriteUcfGeneration, FullInstanceAddsNoLineForTheNextOne) {
    const auto targets = Targets(Convert("", "bram", kSynopsys, Counting(512)));
    ASSERT_EQ(targets.size(), 16u);
    EXPECT_EQ(targets.back(), "bram INIT_0F");
}

TEST(RewriteUcfGeneration, InstanceNumbersGrowPastOneDigit) {
    const auto syn = Targets(Convert("", "m", kSynopsys, Counting(512 * 12 + 1)));
    ASSERT_EQ(syn.size(), 16u * 12 + 1);
    EXPECT_EQ(syn[16 * 9], "m_9 INIT_00");
    EXPECT_EQ(syn[16 * 10 + 15], "m_10 INIT_0F");
    EXPECT_EQ(syn.back(), "m_12 INIT_00");
    const auto xst = Targets(Convert("", "m", kXst, Counting(512 * 12 + 1)));
    EXPECT_EQ(xst[16 * 11 + 3], "m11 INIT_03");
    EXPECT_EQ(xst.back(), "m12 INIT_00");
}

TEST(RewriteUcfGeneration, WithoutConventionTheNameNeverChanges) {
    for (int index : {kNone, 2, 7, -100}) {
        const auto targets = Targets(Convert("", "bram", index, Counting(1040)));
        ASSERT_EQ(targets.size(), 33u);
        EXPECT_EQ(targets[15], "bram INIT_0F");
        EXPECT_EQ(targets[16], "bram INIT_00");
        EXPECT_EQ(targets[32], "bram INIT_00");
    }
}

TEST(RewriteUcfGeneration, KeepsTheComponentAsTyped) {
    EXPECT_EQ(Targets(Convert("", "My Ram", kSynopsys, Counting(1)))[0], "My Ram INIT_00");
    // An empty name leaves the keyword followed by two spaces.
    EXPECT_EQ(Convert("", "", kSynopsys, {0x5A}),
              "INST  INIT_00 = " + std::string(62, '0') + "5A;\r\n");
    EXPECT_EQ(Targets(Convert("", "", kXst, Counting(600))).back(), "1 INIT_02");
}

TEST(RewriteUcfGeneration, EmptySourceAddsNothing) {
    EXPECT_EQ(Convert("", "ram", kSynopsys), "");
    EXPECT_EQ(Convert("NET a;", "ram", kSynopsys), "NET a;");
    EXPECT_EQ(Convert("NET a;\nINST ram_1 LOC=X;\n", "ram", kSynopsys), "NET a;\n");
}

TEST(RewriteUcfGeneration, LongComponentNamesStillFormatWhole) {
    const std::string name(40000, 'n');
    const std::string out = Convert("", name, kXst, Counting(64));
    ASSERT_EQ(Lines(out).size(), 2u);
    EXPECT_EQ(Lines(out)[1], "INST " + name + "0 INIT_01 = " +
                                 "3F3E3D3C3B3A393837363534333231302F2E2D2C2B2A29282726252423222120"
                                 ";\r\n");
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
