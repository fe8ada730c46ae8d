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

// ---- Removal -------------------------------------------------------------------------------

TEST(RewriteUcfRemoval, SynopsysTakesTheBaseAndUnderscoreDigitInstances) {
    const std::string ucf =
        "INST ram INIT_00 = 00;\n"
        "INST\tram_12\tLOC = RAMB16_X0Y1;\r\n"
        "  inst  RAM_2 LOC = X;\n"
        "INST ram_007 INIT_01 = 1;\n"
        "INST ram1 INIT_00 = 1;\n"
        "INST ram_ INIT_00 = 1;\n"
        "INST ram_1x INIT_00 = 1;\n"
        "INST ramx INIT_00 = 1;\n"
        "INST ram\r\n"
        "INST ram\n"
        "INST ram0 INIT_00 = 1;\n";
    EXPECT_EQ(Convert(ucf, "ram", kSynopsys),
              "INST ram1 INIT_00 = 1;\n"
              "INST ram_ INIT_00 = 1;\n"
              "INST ram_1x INIT_00 = 1;\n"
              "INST ramx INIT_00 = 1;\n"
              "INST ram\r\n"
              "INST ram\n"
              "INST ram0 INIT_00 = 1;\n");
}

TEST(RewriteUcfRemoval, XstTakesDigitSuffixesOnly) {
    const std::string ucf =
        "INST ram INIT_00 = 1;\n"
        "INST ram0 INIT_00 = 1;\n"
        "INST ram_1 INIT_00 = 1;\n"
        "INST RAM17\tLOC = X;\n"
        "INST ram2d INIT_00 = 1;\n"
        "INST ram3\n";
    EXPECT_EQ(Convert(ucf, "ram", kXst),
              "INST ram INIT_00 = 1;\n"
              "INST ram_1 INIT_00 = 1;\n"
              "INST ram2d INIT_00 = 1;\n"
              "INST ram3\n");
}

TEST(RewriteUcfRemoval, NoConventionRemovesNothing) {
    const std::string ucf = "INST ram INIT_00 = 1;\nINST ram_1 X;\nINST ram0 X;\n";
    for (int index : {kNone, 2, 255}) EXPECT_EQ(Convert(ucf, "ram", index), ucf);
}

TEST(RewriteUcfRemoval, KeywordMustStartItsLineAndBeFollowedByABlank) {
    const std::string ucf =
        "# INST ram_1 INIT_00 = 1;\n"
        "NET x; INST ram_1 X;\n"
        "INSTANCE ram_1 X;\n"
        "INSTram_1 X;\n"
        "\r INST ram_1 X;\n"
        "x\n";
    EXPECT_EQ(Convert(ucf, "ram", kSynopsys), ucf);
}

TEST(RewriteUcfRemoval, CopiesOtherLinesByteForByteWithTheirOwnLineEnds) {
    const std::string ucf = "a\r\nINST ram_1 X;\nb\n\nc\r\r\nINST ram X;\r\nd";
    EXPECT_EQ(Convert(ucf, "ram", kSynopsys), "a\r\nb\n\nc\r\r\nd");
}

TEST(RewriteUcfRemoval, LastLineWithoutLineFeed) {
    EXPECT_EQ(Convert("a\nINST ram_1 X;", "ram", kSynopsys), "a\n");
    EXPECT_EQ(Convert("INST ram_1 ", "ram", kSynopsys), "");
    // At the very end there is no blank after the name or the digits: the line stays.
    EXPECT_EQ(Convert("a\nINST ram_1", "ram", kSynopsys), "a\nINST ram_1");
    EXPECT_EQ(Convert("a\nINST ram", "ram", kSynopsys), "a\nINST ram");
    EXPECT_EQ(Convert("INST ra", "ram", kSynopsys), "INST ra");
}

// Only a line feed starts a line, but a carriage return that no line feed follows ends the
// removed line: the user's text after it stays.
TEST(RewriteUcfRemoval, LoneCarriageReturnEndsTheRemovedLine) {
    EXPECT_EQ(Convert("INST ram_1 X;\rINST other X;\r", "ram", kSynopsys), "INST other X;\r");
    EXPECT_EQ(Convert("INST ram_1 X;\rINST ram_2 X;\r", "ram", kSynopsys), "INST ram_2 X;\r");
    EXPECT_EQ(Convert("INST ram_1 X;\r", "ram", kSynopsys), "");
    EXPECT_EQ(Convert("INST ram0 X;\r\r\n", "ram", kXst), "\r\n");
    const std::string kept = "NET a;\rINST ram_1 X;\r";
    EXPECT_EQ(Convert(kept, "ram", kSynopsys), kept);
}

TEST(RewriteUcfRemoval, MixedLineEndsLoseNoUserLine) {
    EXPECT_EQ(
        Convert("NET a;\r\nINST ram_1 X;\rNET b;\r\nINST ram_2 Y;\r\nNET c;\n", "ram", kSynopsys),
        "NET a;\r\nNET b;\r\nNET c;\n");
    // A carriage return right before the line feed is part of the line end, not lone.
    EXPECT_EQ(Convert("INST ram X;\r\nNET d;\r", "ram", kSynopsys), "NET d;\r");
}

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

TEST(RewriteUcfRemoval, EmptyComponentMatchesBareSuffixes) {
    const std::string ucf = "INST _3 X;\nINST 3 X;\nINST  X;\nINST a X;\n";
    // The blanks before an empty name are all taken by the keyword, so the byte after the
    // name is never a blank: even the name's own base-instance lines stay.
    EXPECT_EQ(Convert(ucf, "", kSynopsys), "INST 3 X;\nINST  X;\nINST a X;\n");
    EXPECT_EQ(Convert(ucf, "", kXst), "INST _3 X;\nINST  X;\nINST a X;\n");
}

TEST(RewriteUcfRemoval, NameMatchIsAsciiCaseInsensitiveOnly) {
    EXPECT_EQ(Convert("inst RAM_2 LOC = X;\n", "ram", kSynopsys), "");
    const std::string accented = "INST R\xC9M_1 X;\n";
    EXPECT_EQ(Convert(accented, "r\xE9m", kSynopsys), accented);
    EXPECT_EQ(Convert(accented, "r\xC9M", kSynopsys), "");
}

TEST(RewriteUcfRemoval, NameWithALineFeedSpansLines) {
    // Only a name typed outside the dialog can hold a line feed; the walk must stay sound.
    EXPECT_EQ(Convert("INST a\n b\nINST a\n c\nz\n", "a\n", kSynopsys), "z\n");
    EXPECT_EQ(Convert("x\nINST a\nINST a\nINST q\n", "a\nINST", kSynopsys), "x\nINST q\n");
    // The name carries the walk to the head of the next line, whose keyword is then checked.
    EXPECT_EQ(Convert("INST a\n INST a\n x\nkeep\n", "a\n", kSynopsys), "keep\n");
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
    EXPECT_EQ(Convert(ucf, "ram", kSynopsys), "a\0b\n\0INST ram_2 X;\nINST ram\0 X;\nt\0"s);
    const std::string out = Convert(ucf, "ram", kSynopsys, {0, 0});
    EXPECT_EQ(out.substr(0, 36), "a\0b\n\0INST ram_2 X;\nINST ram\0 X;\nt\0\r\n"s);
    EXPECT_EQ(out.substr(36), "INST ram INIT_00 = " + kZeros + ";\r\n");
    // A name holding a NUL compares it like any byte.
    EXPECT_EQ(Convert("INST r\0m_1 X;\n"s, "r\0m"s, kSynopsys), "");
}
