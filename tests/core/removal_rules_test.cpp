// The removal, one table: a UCF text, the components (a memory's lanes), the naming and the
// rules, against the text it keeps and what it counted for each component.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "conversion/core/components_removal.h"
#include "tests/core/rewriter_test_support.h"

using namespace std::string_literals;

namespace {

constexpr RemovalRules kDialog{};
constexpr RemovalRules kKeep{true, false, false};
constexpr RemovalRules kQuoted{false, true, false};
constexpr RemovalRules kBoth{true, true, false};
constexpr RemovalRules kCommandLine{false, true, true};  // as quillon-convert removes

constexpr int kSynopsys = 0;
constexpr int kXst = 1;
constexpr int kNone = -1;

// Removed, of those no INIT_xx or INITP_xx constraint, and kept by the rules.
using Counts = std::array<std::uint64_t, 3>;

struct Row {
    const char* what;
    std::string ucf;
    std::vector<std::string_view> components;
    int synthesizer;
    RemovalRules rules;
    std::string kept;
    std::vector<Counts> counts = {};  // per component, when the row is about them
};

TEST(Removal, EachRuleTakesExactlyItsLines) {
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
    const std::string constraints =
        "INST ram INIT_00 = 00;\r\n"
        "inst RAM_1\tinit_3f\t= 00;\n"
        "INST ram_2 INIT_7F=00;\n"
        "INST ram_1 LOC = RAMB16_X0Y1;\r\n"
        "INST ram INITP_00 = 00;\n"  // a wide memory's parity: a constraint as well
        "INST ram INIT_0G = 00;\n"
        "INST ram INIT_000 = 00;\n"
        "INST ram  \n"
        "INST ram_3 INIT_01";  // ends before its value: no constraint
    const std::string lanes =
        "NET clk;\r\n"
        "INST lo INIT_00 = 00;\r\n"
        "INST hi_1 INITP_07 = 00;\r\n"
        "INST other INIT_00 = 00;\r\n"
        "  inst LO_2 LOC = RAMB16_X0Y2;\n"
        "INST hi INITP_00 = 00;\r\n"
        "INST mid INIT_3F = 00;\r\n"
        "# last line";
    const std::vector<std::string_view> ram = {"ram"};
    const std::vector<std::string_view> three = {"lo", "hi", "mid"};
    const std::vector<Row> rows = {
        // The dialog's removal, as the material words it.
        {"synopsys: the first instance and _digits, spaces or tabs",
         "INST ram INIT_00 = 00;\nINST\tram_12\tLOC = RAMB16_X0Y1;\r\n  inst  RAM_2 LOC = X;\n"
         "INST ram_007 INIT_01 = 1;\nINST ram1 INIT_00 = 1;\nINST ram_ INIT_00 = 1;\n"
         "INST ram_1x INIT_00 = 1;\nINST ramx INIT_00 = 1;\nINST ram\r\nINST ram\n"
         "INST ram0 INIT_00 = 1;\n",
         ram, kSynopsys, kDialog,
         "INST ram1 INIT_00 = 1;\nINST ram_ INIT_00 = 1;\nINST ram_1x INIT_00 = 1;\n"
         "INST ramx INIT_00 = 1;\nINST ram\r\nINST ram\nINST ram0 INIT_00 = 1;\n"},
        {"xst: digits only",
         "INST ram INIT_00 = 1;\nINST ram0 INIT_00 = 1;\nINST ram_1 INIT_00 = 1;\n"
         "INST RAM17\tLOC = X;\nINST ram2d INIT_00 = 1;\nINST ram3\n",
         ram, kXst, kDialog,
         "INST ram INIT_00 = 1;\nINST ram_1 INIT_00 = 1;\nINST ram2d INIT_00 = 1;\nINST ram3\n"},
        {"no convention removes nothing", "INST ram INIT_00 = 1;\nINST ram_1 X;\nINST ram0 X;\n",
         ram, kNone, kBoth, "INST ram INIT_00 = 1;\nINST ram_1 X;\nINST ram0 X;\n"},
        {"the keyword starts its line, a blank follows it",
         "# INST ram_1 INIT_00 = 1;\nNET x; INST ram_1 X;\nINSTANCE ram_1 X;\nINSTram_1 X;\n"
         "\r INST ram_1 X;\nx\n",
         ram, kSynopsys, kDialog,
         "# INST ram_1 INIT_00 = 1;\nNET x; INST ram_1 X;\nINSTANCE ram_1 X;\nINSTram_1 X;\n"
         "\r INST ram_1 X;\nx\n"},
        {"other lines byte for byte, with their own line ends",
         "a\r\nINST ram_1 X;\nb\n\nc\r\r\nINST ram X;\r\nd", ram, kSynopsys, kDialog,
         "a\r\nb\n\nc\r\r\nd"},
        {"a last line without a line feed", "a\nINST ram_1 X;", ram, kSynopsys, kDialog, "a\n"},
        {"at the very end no blank follows the name", "a\nINST ram_1", ram, kSynopsys, kDialog,
         "a\nINST ram_1"},
        {"a lone carriage return ends the removed line", "INST ram_1 X;\rINST other X;\r", ram,
         kSynopsys, kDialog, "INST other X;\r"},
        {"...and what follows it starts no line", "INST ram_1 X;\rINST ram_2 X;\r", ram, kSynopsys,
         kDialog, "INST ram_2 X;\r"},
        {"a carriage return before a line feed is part of the line end",
         "NET a;\r\nINST ram_1 X;\rNET b;\r\nINST ram_2 Y;\r\nINST ram X;\r\nNET d;\r", ram,
         kSynopsys, kDialog, "NET a;\r\nNET b;\r\nNET d;\r"},
        {"an empty name: the blanks before it all go with the keyword",
         "INST _3 X;\nINST 3 X;\nINST  X;\nINST a X;\n",
         {""},
         kSynopsys,
         kDialog,
         "INST 3 X;\nINST  X;\nINST a X;\n"},
        {"a name with a line feed spans lines",
         "INST a\n b\nINST a\n c\nz\n",
         {"a\n"},
         kSynopsys,
         kDialog,
         "z\n"},
        {"...and carries the walk to the next line's head",
         "INST a\n INST a\n x\nkeep\n",
         {"a\n"},
         kSynopsys,
         kDialog,
         "keep\n"},
        {"NUL bytes are ordinary characters",
         "a\0b\nINST ram_1 X;\n\0INST ram_2 X;\nINST ram\0 X;\nINST r\0m_1 X;\nt\0"s, ram,
         kSynopsys, kDialog, "a\0b\n\0INST ram_2 X;\nINST ram\0 X;\nINST r\0m_1 X;\nt\0"s},
        // What the counts tell: constraints and other lines, kept placements.
        {"every line of an instance goes, the others counted apart",
         constraints,
         ram,
         kSynopsys,
         kDialog,
         "",
         {{9, 5, 0}}},
        {"the dialog's removal takes placements too",
         placed,
         ram,
         kSynopsys,
         kDialog,
         "NET a;\r\n",
         {{5, 3, 0}}},
        {"kept placements: only INIT_xx and INITP_xx go",
         placed,
         ram,
         kSynopsys,
         kKeep,
         "INST ram LOC = RAMB16_X0Y0;\r\ninst RAM_1\tRLOC=X0Y1;\nINST ram INIT_0G = 00;\r\n"
         "NET a;\r\n",
         {{2, 0, 3}}},
        // Quoted names, which the command line recognises.
        {"the dialog's removal leaves quoted names",
         quotedAndNot,
         ram,
         kSynopsys,
         kDialog,
         "INST \"ram\" INIT_00 = 11;\r\nINST \"RAM_12\"\tLOC = X;\r\n"
         "INST \"ram_1\"INIT_01 = 33;\r\n",
         {{1, 0, 0}}},
        {"a quoted and an unquoted line of one instance both go",
         quotedAndNot,
         ram,
         kSynopsys,
         kQuoted,
         "",
         {{4, 1, 0}}},
        {"quoted placements stay when placements are kept",
         quotedAndNot,
         ram,
         kSynopsys,
         kBoth,
         "INST \"RAM_12\"\tLOC = X;\r\n",
         {{3, 0, 1}}},
        {"quotes that do not close right after the suffix",
         notQuite,
         ram,
         kSynopsys,
         kQuoted,
         "INST \"ram_1 \" INIT_00 = 0;\r\nINST \"ram_1x\" INIT_00 = 0;\r\nINST \"ram_\" INIT_00 = "
         "0;\r\nINST \"ram INIT_00 = 0;\r\nINST\"ram\" INIT_00 = 0;\r\nINST  \"rom\" INIT_00 = "
         "0;\r\n",
         {{1, 1, 0}}},
        {"blanks in the name, inside the quotes",
         "INST \"My Ram_3\" INIT_00 = 0;\nINST My Ram_3 LOC = X;\n",
         {"my ram"},
         kSynopsys,
         kBoth,
         "INST My Ram_3 LOC = X;\n"},
        // Without a convention the command line replaces the one instance's INIT_xx lines.
        {"no convention: the name's own INIT_xx lines go",
         "INST ram INIT_00 = 0;\r\nINST \"RAM\" INITP_01 = 0;\r\nINST ram LOC = X;\r\n"
         "INST ram_1 INIT_00 = 0;\r\nINST ram0 INIT_00 = 0;\r\n",
         ram,
         kNone,
         kCommandLine,
         "INST ram LOC = X;\r\nINST ram_1 INIT_00 = 0;\r\nINST ram0 INIT_00 = 0;\r\n",
         {{2, 0, 1}}},
        // A memory's lanes: every component's lines in one walk, counted apart.
        {"lanes",
         lanes,
         three,
         kSynopsys,
         kDialog,
         "NET clk;\r\nINST other INIT_00 = 00;\r\n# last line",
         {{2, 1, 0}, {2, 0, 0}, {1, 0, 0}}},
        {"after a lone carriage return, a line only for the later components",
         "INST lo X;\rINST hi Y;\nINST hi X;\rINST lo Y;\nINST mid X;\rINST mid Y;\n",
         three,
         kSynopsys,
         kDialog,
         "INST lo Y;\nINST mid Y;\n",
         {{1, 1, 0}, {2, 2, 0}, {1, 1, 0}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const auto synthesizer = static_cast<SynthesizerKind>(row.synthesizer);
        const ComponentsKeptText kept =
            KeptUcfTextOfComponents(row.ucf, row.components, synthesizer, false, row.rules);
        EXPECT_EQ(kept.text, row.kept);
        const std::vector<RemovalCounts> counts =
            CountRemovedLines(row.ucf, row.components, synthesizer, row.rules);
        ASSERT_EQ(counts.size(), row.components.size());
        for (std::size_t i = 0; i < row.counts.size(); ++i) {
            SCOPED_TRACE(row.components[i]);
            const Counts found = {counts[i].removedLines, counts[i].removedOtherLines,
                                  counts[i].keptLines};
            EXPECT_EQ(found, row.counts[i]);
            EXPECT_EQ(kept.removed[i].removedLines, counts[i].removedLines);
        }
    }
}

}  // namespace
