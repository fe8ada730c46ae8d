// The command line's removal rules (placements kept, quoted names recognised) and its quoted
// names in the generated lines, against the texts they must give.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "conversion/core/generated_lines.h"
#include "conversion/core/ucf_rewriter.h"
#include "tests/core/rewriter_test_support.h"

namespace {

constexpr RemovalRules kDialog{};
constexpr RemovalRules kKeep{true, false};
constexpr RemovalRules kQuoted{false, true};
constexpr RemovalRules kBoth{true, true};

struct RemovalCase {
    const char* what;
    std::string ucf;
    std::string component;
    SynthesizerKind synthesizer;
    RemovalRules rules;
    std::string kept;
    std::uint64_t removed;
    std::uint64_t keptLines;
};

const SynthesizerKind kSynopsys = SynthesizerKind::Synopsys;
const SynthesizerKind kXst = SynthesizerKind::Xst;

TEST(RemovalRules, EachRuleTakesExactlyItsLines) {
    const std::string placed =
        "INST ram LOC = RAMB16_X0Y0;\r\n"
        "INST ram INIT_00 = 00;\r\n"
        "INST ram_1 INITP_0F = 00;\r\n"
        "inst RAM_1\tRLOC=X0Y1;\n"
        "INST ram INIT_0G = 00;\r\n"
        "NET a;\r\n";
    const std::string quotedAndNot =
        "INST \"ram\" INIT_00 = 11;\r\n"
        "INST ram INIT_00 = 22;\r\n"
        "INST \"RAM_12\"\tLOC = X;\r\n"
        "INST \"ram_1\"INIT_01 = 33;\r\n";
    const std::string notQuite =
        "INST \"ram_1 \" INIT_00 = 0;\r\n"  // the quote must follow the suffix at once
        "INST \"ram_1x\" INIT_00 = 0;\r\n"
        "INST \"ram_\" INIT_00 = 0;\r\n"
        "INST \"ram INIT_00 = 0;\r\n"
        "INST \"ram\"\r\n"  // nothing may follow the quote: this is the instance too
        "INST\"ram\" INIT_00 = 0;\r\n"
        "INST  \"rom\" INIT_00 = 0;\r\n";
    const std::vector<RemovalCase> cases = {
        {"the dialog's removal takes every line of an instance", placed, "ram", kSynopsys, kDialog,
         "NET a;\r\n", 5, 0},
        {"kept placements: only INIT_xx and INITP_xx go", placed, "ram", kSynopsys, kKeep,
         "INST ram LOC = RAMB16_X0Y0;\r\ninst RAM_1\tRLOC=X0Y1;\nINST ram INIT_0G = 00;\r\n"
         "NET a;\r\n",
         2, 3},
        {"the dialog's removal leaves quoted names", quotedAndNot, "ram", kSynopsys, kDialog,
         "INST \"ram\" INIT_00 = 11;\r\nINST \"RAM_12\"\tLOC = X;\r\nINST \"ram_1\"INIT_01 = "
         "33;\r\n",
         1, 0},
        {"a quoted and an unquoted line of one instance both go", quotedAndNot, "ram", kSynopsys,
         kQuoted, "", 4, 0},
        {"quoted placements stay when placements are kept", quotedAndNot, "ram", kSynopsys, kBoth,
         "INST \"RAM_12\"\tLOC = X;\r\n", 3, 1},
        {"quotes that do not close right after the suffix", notQuite, "ram", kSynopsys, kQuoted,
         "INST \"ram_1 \" INIT_00 = 0;\r\nINST \"ram_1x\" INIT_00 = 0;\r\nINST \"ram_\" INIT_00 = "
         "0;\r\nINST \"ram INIT_00 = 0;\r\nINST\"ram\" INIT_00 = 0;\r\nINST  \"rom\" INIT_00 = "
         "0;\r\n",
         1, 0},
        {"xst names in quotes need their digits", "INST \"ram0\" INIT_00 = 0;\nINST \"ram\" X;\n",
         "ram", kXst, kQuoted, "INST \"ram\" X;\n", 1, 0},
        {"blanks in the name, inside the quotes",
         "INST \"My Ram_3\" INIT_00 = 0;\nINST My Ram_3 LOC = X;\n", "my ram", kSynopsys, kBoth,
         "INST My Ram_3 LOC = X;\n", 1, 1},
        {"no convention removes nothing", quotedAndNot, "ram", static_cast<SynthesizerKind>(-1),
         kBoth, quotedAndNot, 0, 0},
    };
    for (const RemovalCase& c : cases) {
        SCOPED_TRACE(c.what);
        const KeptText kept = KeptUcfText(c.ucf, c.component, c.synthesizer, false, c.rules);
        EXPECT_EQ(kept.text, c.kept);
        EXPECT_EQ(kept.removedLines, c.removed);
        EXPECT_EQ(kept.keptLines, c.keptLines);
        const RemovalCounts counts = CountRemovedLines(c.ucf, c.component, c.synthesizer, c.rules);
        EXPECT_EQ(counts.removedLines, c.removed);
        EXPECT_EQ(counts.keptLines, c.keptLines);
        EXPECT_EQ(counts.removedOtherLines, kept.removedOtherLines);
        // With placements kept, no line that goes is other than an INIT_xx or INITP_xx one.
        if (c.rules.keepPlacements) {
            EXPECT_EQ(kept.removedOtherLines, 0u);
        }
    }
}

GeneratedLines LinesOf(const std::vector<std::uint8_t>& data, std::string_view component,
                       SynthesizerKind synthesizer, bool quoted) {
    return {data.data(),
            static_cast<std::uint32_t>(data.size()),
            component,
            synthesizer,
            kLinesPerInstance4k,
            LineAttribute::Init,
            quoted};
}

TEST(QuotedNames, GeneratedLinesNameTheirInstancesInQuotes) {
    const std::vector<std::uint8_t> data = Counting(32 * 16 + 3);
    const GeneratedLines lines = LinesOf(data, "cpu/rom", kSynopsys, true);
    const std::string text = RewriteUcf(lines, "", kQuoted);
    const std::vector<std::string> all = Lines(text);
    ASSERT_EQ(all.size(), 17u);
    EXPECT_EQ(all[0],
              "INST \"cpu/rom\" INIT_00 = "
              "1F1E1D1C1B1A191817161514131211100F0E0D0C0B0A09080706050403020100;\r\n");
    EXPECT_EQ(all[16], "INST \"cpu/rom_1\" INIT_00 = " + std::string(58, '0') + "020100;\r\n");
    EXPECT_EQ(text.size(), GeneratedTextSize(lines));
    for (const std::string& line : all) EXPECT_LE(line.size(), LongestGeneratedLine(lines));
    // Apart from the quotes, the same lines as without them.
    std::string unquoted = text;
    std::erase(unquoted, '"');
    EXPECT_EQ(unquoted, RewriteUcf(LinesOf(data, "cpu/rom", kSynopsys, false), "", kDialog));
    EXPECT_EQ(Lines(RewriteUcf(LinesOf(data, "r", kXst, true), "", kQuoted))[16].substr(0, 14),
              "INST \"r1\" INIT");
}

// Converting twice is converting once, whatever the rules and however the names are written,
// and the user's lines (a quoted placement among them) stay as and where they were.
TEST(RemovalRules, ReconversionEqualsOneConversion) {
    const std::string ucf =
        "NET \"clk\" TNM_NET = \"clk\";\r\n"
        "INST \"rom_1\" LOC = RAMB16_X0Y1;\r\n"
        "INST rom INIT_00 = 00;\r\n"
        "INST \"rom\" INIT_01 = 11;\r\n"
        "INST rom0 RLOC = X0Y0;\n"
        "INST rom_2 INITP_00 = 00;";
    const std::vector<std::uint8_t> first = Counting(1100);
    const std::vector<std::uint8_t> second = Counting(40);
    for (const SynthesizerKind synthesizer : {kSynopsys, kXst}) {
        for (const RemovalRules rules : {kDialog, kKeep, kQuoted, kBoth}) {
            for (const bool quoted : {false, true}) {
                // The dialog's removal cannot take back quoted lines it did not write.
                if (quoted && !rules.quotedNames) continue;
                SCOPED_TRACE(testing::Message()
                             << "synthesizer " << static_cast<int>(synthesizer) << ", keep "
                             << rules.keepPlacements << ", quoted names " << rules.quotedNames
                             << ", written quoted " << quoted);
                const std::string once =
                    RewriteUcf(LinesOf(second, "rom", synthesizer, quoted), ucf, rules);
                const std::string before =
                    RewriteUcf(LinesOf(first, "rom", synthesizer, quoted), ucf, rules);
                EXPECT_EQ(RewriteUcf(LinesOf(second, "rom", synthesizer, quoted), before, rules),
                          once);
                if (rules.keepPlacements && synthesizer == kSynopsys) {
                    EXPECT_NE(once.find("INST \"rom_1\" LOC = RAMB16_X0Y1;\r\n"),
                              std::string::npos);
                }
            }
        }
    }
}

}  // namespace
