// Reading an image back from a UCF: after a conversion of every width and lane count, from
// hand-written lines, with lines missing, and each way a UCF can fail. Then what a UCF holds:
// its chains found without knowing the components, and those of the components named.
#include "conversion/core/ucf_extract.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "conversion/core/components_removal.h"
#include "conversion/core/init_attribute.h"
#include "conversion/core/instance_names.h"
#include "conversion/core/ucf_inventory.h"
#include "conversion/core/ucf_rewriter.h"
#include "tests/core/lane_test_support.h"

namespace {

// The one helper: the image of `components` under Synopsys names unless told otherwise.
ExtractedImage Extract(std::string_view ucf, const MemoryLayout& layout,
                       std::vector<std::string_view> components = {"ram"},
                       ExtractedFormat format = ExtractedFormat::HexWords, int synthesizer = 0) {
    return ExtractImage(ucf, components, static_cast<SynthesizerKind>(synthesizer), layout, format);
}

std::string Line(const std::string& instance, const std::string& attribute,
                 const std::string& value = std::string(63, '0') + "1") {
    return "INST " + instance + " " + attribute + " = " + value + ";\r\n";
}

TEST(UcfExtract, ConversionsOfEveryLayoutComeBackPaddedToWholeLines) {
    std::mt19937_64 random(17);
    ForEachLayout(2, [&](const MemoryLayout& layout) {
        const unsigned lanes = layout.lanes, width = layout.width, wordBits = WordBits(layout);
        const LaneNames names(lanes, "m", "x");
        for (const int synthesizer : {0, 1}) {
            SCOPED_TRACE(testing::Message() << layout.linesPerInstance << " lines, width " << width
                                            << " x " << lanes << ", synthesizer " << synthesizer);
            std::vector<std::uint64_t> words(
                static_cast<std::size_t>(1 + random() % (2 * WordsPerInstance(layout))));
            for (auto& w : words) w = random() >> (64 - wordBits);
            const std::vector<std::uint8_t> wordBytes = WordBytes(words, wordBits);
            const auto image = WordImage::FromBytes(wordBytes.data(), wordBytes.size());
            const auto kind = static_cast<SynthesizerKind>(synthesizer);
            const WideLines wide = LayOutLanes(image, layout, names.Views(), kind);
            const std::string ucf =
                RewriteUcf(wide, "NET clk;\nINST m0x_1 LOC = X;\nINST other INIT_00 = 1;\n", {});

            // Whole data lines of every lane: the words padded with zero words.
            const std::size_t perLine = 256 / DataBits(width);
            std::vector<std::uint64_t> padded = words;
            padded.resize((words.size() + perLine - 1) / perLine * perLine);
            std::string text, bytes;
            for (const std::uint64_t w : padded) {
                text += Hex(w, (wordBits + 3) / 4) + "\n";
                for (unsigned i = 0; i < wordBits / 8; ++i)
                    bytes += static_cast<char>(w >> (8 * i));
            }
            const ExtractedImage hex =
                Extract(ucf, layout, names.Views(), ExtractedFormat::HexWords, synthesizer);
            ASSERT_TRUE(hex.Succeeded()) << hex.reason;
            EXPECT_EQ(ImageText(hex), text);
            EXPECT_EQ(hex.words, padded.size());
            EXPECT_EQ(hex.missingLines + hex.ignoredParityLines, 0u);
            if (wordBits % 8 == 0) {
                EXPECT_TRUE(ImageText(Extract(ucf, layout, names.Views(), ExtractedFormat::Raw,
                                              synthesizer)) == bytes);
            }
            ASSERT_EQ(hex.lanes.size(), lanes);
            for (unsigned i = 0; i < lanes; ++i) {
                const LaneReading& reading = hex.lanes[i];
                const auto last = static_cast<std::uint32_t>(reading.instances - 1);
                EXPECT_EQ(reading.linesRead, LaneLineCount(wide.lanes[i]));
                EXPECT_EQ(reading.instances, LaneInstanceCount(wide.lanes[i]));
                EXPECT_EQ(reading.firstInstance, InstanceName(names[i], kind, 0));
                EXPECT_EQ(reading.lastInstance, InstanceName(names[i], kind, last));
                EXPECT_EQ(reading.bits, padded.size() * width);
            }
        }
    });
}

TEST(UcfExtract, TheReportsExampleAndHandWrittenLines) {
    std::string bytes(1040, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
    const std::string ucf = RewriteUcf(reinterpret_cast<const std::uint8_t*>(bytes.data()), 1040,
                                       "", "ram", SynthesizerKind::Synopsys);
    const ExtractedImage image = Extract(ucf, {16, 8, 1}, {"ram"}, ExtractedFormat::Raw);
    ASSERT_TRUE(image.Succeeded());
    EXPECT_EQ(ImageText(image), bytes + std::string(16, '\0'));  // 33 whole lines: 1056 bytes
    EXPECT_EQ(image.lanes[0].linesRead, 33u);
    EXPECT_EQ(image.lanes[0].instances, 3u);
    EXPECT_EQ(image.lanes[0].firstInstance + " .. " + image.lanes[0].lastInstance, "ram .. ram_2");

    // Any case, blanks and tabs, a value in lower case, a comment after the semicolon, LF or
    // CR LF, no blank around "=", no semicolon at the line's end, a name in quotes (as the
    // removal takes it); other attributes and lines under the other convention are passed over.
    const std::string value = "0123456789abcdef" + std::string(46, '0') + "a5";
    const std::string handWritten = std::string(" \tinst\tRAM_1  init_00\t=\t") + value +
                                    " ; # mine\r\n" + "INST ram INIT_00=" + std::string(64, 'F') +
                                    "\nINST ram0 INIT_01 = " + std::string(64, '1') +
                                    ";\nINST ram INIT_0G = 1;\nINST ram INITIAL = 1;\n" +
                                    "INST \"ram\"INIT_02 = " + std::string(64, '2') + ";\n" +
                                    "INST ram_1 LOC = RAMB16_X0Y1;\n";
    const ExtractedImage hand = Extract(handWritten, {16, 8, 1}, {"ram"}, ExtractedFormat::Raw);
    ASSERT_TRUE(hand.Succeeded()) << hand.reason;
    // INIT_00 all ones, INIT_02 0x22s, the rest zeros, then ram_1's INIT_00 with its rightmost
    // byte first.
    EXPECT_EQ(ImageText(hand), std::string(32, '\xFF') + std::string(32, '\0') +
                                   std::string(32, '\x22') + std::string(13 * 32, '\0') + '\xA5' +
                                   std::string(23, '\0') + "\xEF\xCD\xAB\x89\x67\x45\x23\x01");
    EXPECT_EQ(hand.missingLines, 14u);
    EXPECT_EQ(hand.firstMissing, "ram INIT_01");
    EXPECT_EQ(ExtractWarnings(hand).at(0),
              "14 lines before the image's end are missing from the UCF, the first ram INIT_01; "
              "they read as zeros");
}

TEST(UcfExtract, MissingLinesAndParityPastTheImageAreTold) {
    const std::string zero(64, '0');
    const std::string bit40 = std::string(53, '0') + "1" + std::string(9, '0') + "1";  // bits 0, 40
    const MemoryLayout x9{64, 9, 1};
    struct Case {
        std::string ucf;
        MemoryLayout layout;
        std::uint64_t words, missing;
        const char* firstMissing;
        std::uint64_t ignored = 0;
        const char* firstIgnored = "";
    };
    const Case cases[] = {
        // x9: INIT_00 and INIT_02 hold words 0..95; INIT_01 and INITP_00 are missing.
        {Line("ram", "INIT_00") + Line("ram", "INIT_02"), x9, 96, 2, "ram INIT_01"},
        // Parity past the last INIT_xx line's words (32 of them): a whole line, and bit 40.
        {Line("ram", "INIT_00") + Line("ram", "INITP_00", bit40) + Line("ram", "INITP_03"), x9, 32,
         0, "", 2, "ram INITP_03"},
        {Line("ram", "INIT_00") + Line("ram", "INITP_03", zero), x9, 32, 1, "ram INITP_00"},
        // Only a later instance: every line before it reads as zeros.
        {Line("ram_1", "INIT_00"), {16, 8, 1}, 17 * 32, 16, "ram INIT_00"},
        // The second lane lacks the line the first has.
        {Line("lo1", "INIT_00") + Line("hi0", "INIT_0F"), {16, 8, 2}, 17 * 32, 32, "lo0 INIT_00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ucf);
        const bool xst = c.layout.lanes == 2;
        const ExtractedImage image = Extract(
            c.ucf, c.layout,
            xst ? std::vector<std::string_view>{"lo", "hi"} : std::vector<std::string_view>{"ram"},
            ExtractedFormat::HexWords, xst ? 1 : 0);
        ASSERT_TRUE(image.Succeeded()) << image.reason;
        EXPECT_EQ(image.words, c.words);
        EXPECT_EQ(image.missingLines, c.missing);
        EXPECT_EQ(image.firstMissing, c.firstMissing);
        EXPECT_EQ(image.ignoredParityLines, c.ignored);
        EXPECT_EQ(image.firstIgnoredParity, c.firstIgnored);
        EXPECT_EQ(ExtractWarnings(image).size(), (c.missing > 0) + (c.ignored > 0) + 0u);
    }
    // Word 0's parity from INITP_00 comes back: bits 8 of the first 9-bit word.
    const ExtractedImage parity =
        Extract(Line("ram", "INIT_00") + Line("ram", "INITP_00", bit40), x9);
    EXPECT_EQ(ImageText(parity).substr(0, 8), "101\n000\n");
}

TEST(UcfExtract, UcfsThatHoldNoImageFailWithTheLine) {
    using F = ExtractFailure;
    const std::string v(64, '0');
    const std::string init = "INST ram INIT_00 = ";
    const MemoryLayout x8{16, 8, 1}, x9{64, 9, 1};
    struct Case {
        MemoryLayout layout;
        F failure;
        std::string ucf;
        const char* reason = nullptr;
        int synthesizer = 0;
        std::uint64_t maxInstances = 0;
    };
    const Case cases[] = {
        {x9, F::NoLines, "", "no line of ram's instances holds INIT_xx or INITP_xx"},
        {x9, F::NoLines,
         "INST ram LOC = X;\nINST ram INIT_0G = 1;\nINST ram INITIAL = 1;\nINST ram0 INIT_00 = " +
             v + ";\nINST ram INIT_00\n"},
        {x9, F::AttributeOutsideGeometry, "NET a;\r\nINST ram INIT_40 = " + v + ";\r\n",
         "line 2: INIT_40 is not an attribute of a 16-Kbit block RAM (INIT_00 .. INIT_3F, "
         "INITP_00 .. INITP_07)"},
        {{64, 18, 1}, F::AttributeOutsideGeometry, "INST ram INITP_08 = " + v + ";"},
        {{128, 36, 1}, F::None, "INST ram INITP_0F = " + v + ";"},
        {{64, 8, 1},
         F::AttributeOutsideGeometry,
         "INST ram INITP_00 = " + v + ";",
         "line 1: INITP_00 sets parity bits, which a width of 8 has none of"},
        {x8, F::AttributeOutsideGeometry, "INST ram INIT_10 = " + v + ";",
         "line 1: INIT_10 is not an attribute of a 4-Kbit block RAM (INIT_00 .. INIT_0F)"},
        {{128, 8, 1}, F::AttributeOutsideGeometry, "INST ram init_100 = " + v + ";"},
        {x8, F::BadValue, init + v.substr(1) + ";",
         "line 1: the value of ram INIT_00 is not 64 hex digits"},
        {x8, F::BadValue, init + v + "0;"},
        {x8, F::BadValue, init + v + "x;"},
        {x8, F::BadValue, init + "0x" + v.substr(2) + ";"},
        {x8, F::BadValue, "INST ram INIT_00 " + v + ";"},
        {x8, F::BadValue, init + "\"" + v + "\";"},
        {x8, F::GivenTwice, "INST ram_1 INIT_05 = " + v + ";\nINST RAM_1 init_05 = " + v + ";",
         "line 2: ram_1 INIT_05 is given a second time (first on line 1)"},
        {x8, F::NotAnInstanceName, "INST ram_01 INIT_00 = " + v + ";",
         "line 1: ram_01 is not one of the instance names ram, ram_1, ..."},
        {x8, F::NotAnInstanceName, "INST ram_0 INIT_00 = " + v + ";"},
        {x8, F::NotAnInstanceName,
         "INST ram0 INIT_00 = " + v + ";\nINST ram00 INIT_00 = " + v + ";",
         "line 2: ram00 is not one of the instance names ram0, ram1, ...", 1},
        {x8, F::ImageTooLarge, "INST ram_99999999999999999999 INIT_00 = " + v + ";",
         "line 1: ram_99999999999999999999 INIT_00 lies past the 4 GiB - 1 bytes an image can "
         "hold"},
        {x9, F::ImageTooLarge, "\n\nINST ram_3000000 INITP_00 = " + v + ";"},
        // The lines are planned before the image is made: far instances against the limit.
        {x8, F::TooManyInstances, "NET a;\nINST ram_1048575 INIT_00 = " + v + ";",
         "line 2: ram_1048575 INIT_00 makes 1048576 instances a lane", 0, 1},
        {x8, F::None, "INST ram_1 INIT_00 = " + v + ";", nullptr, 0, 2},
        // Without a convention the component's own name is its one instance.
        {x8, F::None, "INST \"ram\" INIT_00 = " + v + ";\nINST ram_1 INIT_00 = 0;", nullptr, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ucf);
        const ExtractedImage image =
            ExtractImage(c.ucf, std::vector<std::string_view>{"ram"},
                         static_cast<SynthesizerKind>(c.synthesizer), c.layout,
                         ExtractedFormat::HexWords, c.maxInstances);
        EXPECT_EQ(image.failure, c.failure) << image.reason;
        if (c.reason) {
            EXPECT_EQ(image.reason, c.reason);
        }
        EXPECT_TRUE(image.Succeeded() || image.dataBits.empty());
    }
    // An image of more than 4 GiB - 1 bytes over all lanes: 64 lanes of 1 bit.
    const LaneNames names(64, "b", "x");
    EXPECT_EQ(Extract("\nINST b5x_200000 INIT_00 = " + v + ";", {16, 1, 64}, names.Views(),
                      ExtractedFormat::Raw)
                  .reason,
              "line 2: b5x_200000 INIT_00 makes an image too large to hold (more "
              "than 4 GiB - 1 bytes)");
    EXPECT_EQ(Extract("", {16, 8, 2}, {"a", "b"}).reason,
              "no line of the instances of a or b holds INIT_xx or INITP_xx");
}

// The lines of `instance`'s attributes `first` .. `last` (INITP_ when `parity`).
std::string Lines(const std::string& instance, unsigned first, unsigned last, bool parity = false) {
    std::string text;
    for (unsigned i = first; i <= last; ++i) text += Line(instance, AttributeName(parity, i));
    return text;
}

// "rom:synopsys:rom..rom_2:16k,32k:parity:quoted", what a listing line is made of.
std::string Summary(const InitChain& chain) {
    std::string text = chain.component + ":" +
                       (IsXst(chain.synthesizer)        ? "xst"
                        : IsSynopsys(chain.synthesizer) ? "synopsys"
                                                        : "none") +
                       ":";
    for (const InstanceLines& instance : chain.instances)
        text += instance.name + "#" + std::to_string(instance.number) + " ";
    text += ":";
    for (const std::uint32_t size : chain.FittingSizes()) text += BlockRamSizeName(size) + " ";
    text += chain.HasParity() ? ":parity" : ":";
    text += chain.Quoting() == NameQuoting::Quoted  ? ":quoted"
            : chain.Quoting() == NameQuoting::Mixed ? ":mixed"
                                                    : ":";
    return text;
}

// The suffix read back as the conventions write it; a name that has none is its own first
// instance under Synopsys and no instance under XST. A component that ends in digits cannot be
// told from its XST suffix: x91 reads as x's instance 91.
TEST(UcfInventory, InstanceNamesSplitIntoComponentAndNumber) {
    const struct {
        const char* name;
        int synthesizer;
        std::size_t component;  // its length; npos: no instance
        std::uint64_t number;
    } cases[] = {
        {"ram", 0, 3, 0},
        {"ram_1", 0, 3, 1},
        {"ram_10", 0, 3, 10},
        {"ram_0", 0, 5, 0},
        {"ram_01", 0, 6, 0},
        {"ram_", 0, 4, 0},
        {"_1", 0, 2, 0},
        {"ram_b0", 0, 6, 0},
        {"cpu/rom_1_2", 0, 9, 2},
        {"ram0", 1, 3, 0},
        {"ram12", 1, 3, 12},
        {"ram00", 1, 4, 0},
        {"ram_1", 1, 4, 1},
        {"x91", 1, 1, 91},
        {"ram", 1, std::string::npos, 0},
        {"7", 1, std::string::npos, 0},
        {"ram_1", -1, 5, 0},
        {"ram_4294967295", 0, 3, 4294967295u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.synthesizer));
        const auto synthesizer = static_cast<SynthesizerKind>(c.synthesizer);
        const std::optional<NameParts> parts = SplitInstanceName(c.name, synthesizer);
        ASSERT_EQ(parts.has_value(), c.component != std::string::npos);
        if (!parts) continue;
        EXPECT_EQ(parts->componentLength, c.component);
        EXPECT_EQ(parts->number, c.number);
        // What the split gives names the instance again.
        EXPECT_EQ(InstanceName(std::string_view(c.name).substr(0, c.component), synthesizer,
                               static_cast<std::uint32_t>(c.number)),
                  parts->number == 0 && !IsXst(synthesizer)
                      ? std::string(c.name).substr(0, c.component)
                      : std::string(c.name));
    }
}

// A UCF as designs hold them: a Synopsys chain of 16k instances with placements beside it, an
// XST chain of 4k instances in quotes, two lanes that fill half their block RAMs (apart, though
// their names fit XST), parity lines, a name quoted on one line only, an attribute past every
// block RAM, and lines that only look like INIT lines.
TEST(UcfInventory, ChainsOfBothConventionsQuotedNamesAndBothBlockSizes) {
    const std::string ucf =
        "NET clk TNM_NET = clk;\r\n" + Lines("rom", 0, 0x3F) + "INST rom LOC = RAMB16_X0Y0;\r\n" +
        Lines("rom_1", 0, 0x3F) + Lines("rom_2", 0, 0x1F) + Lines("\"cpu/ram0\"", 0, 0x0F) +
        Lines("\"cpu/ram1\"", 0, 0x07) + Lines("ram_b0", 0, 0x1F) + Lines("ram_b0", 0, 3, true) +
        Lines("ram_b1", 0, 0x1F) + Lines("ram_b1", 0, 3, true) + Lines("\"dual\"", 0, 0) +
        Lines("DUAL", 1, 1) + Lines("big", 0x80, 0x80) + Lines("\tlate", 0, 0x0F) +
        "# INST rom_3 INIT_00 = 0;\r\nINSTANCE rom_4 INIT_00 = 0;\r\nINST rom_5 INIT_ = 0;\r\n"
        "INST rom_6 LOC = X;\r\nINST rom_7 INIT_100 = 0;\r\nINST rom_8\r\n";
    std::vector<std::string> found;
    for (const InitChain& chain : FindInitChains(ucf)) found.push_back(Summary(chain));
    EXPECT_EQ(found, (std::vector<std::string>{
                         "rom:synopsys:rom#0 rom_1#1 rom_2#2 :16k ::",
                         "cpu/ram:xst:cpu/ram0#0 cpu/ram1#1 :4k ::quoted",
                         "ram_b0:synopsys:ram_b0#0 :16k 32k :parity:",
                         "ram_b1:synopsys:ram_b1#0 :16k 32k :parity:",
                         "dual:synopsys:dual#0 :4k 16k 32k ::mixed",
                         "big:synopsys:big#0 :::",
                         "late:synopsys:late#0 :4k 16k 32k ::",
                     }));
    const std::vector<InitChain> chains = FindInitChains(ucf);
    ASSERT_EQ(chains.size(), 7u);
    const InstanceLines& last = chains[0].instances[2];
    EXPECT_EQ(last.lines, 32u);
    EXPECT_EQ(last.init.highest, 0x1Fu);
    EXPECT_FALSE(last.initp.Any());
    EXPECT_EQ(chains[2].instances[0].initp.count, 4u);
    EXPECT_EQ(chains[0].firstLine, 2u);

    // Named, under their convention: the lanes are components; one without lines has none.
    const std::vector<std::string_view> components = {"ram_b0", "rom", "boot", "RAM_B1"};
    found.clear();
    for (const InitChain& chain : InitChainsOf(ucf, components, SynthesizerKind::Synopsys))
        found.push_back(Summary(chain));
    EXPECT_EQ(found, (std::vector<std::string>{
                         "ram_b0:synopsys:ram_b0#0 :16k 32k :parity:",
                         "rom:synopsys:rom#0 rom_1#1 rom_2#2 :16k ::",
                         "boot:synopsys::::",
                         "RAM_B1:synopsys:ram_b1#0 :16k 32k :parity:",
                     }));
    const std::vector<std::string_view> xst = {"cpu/ram", "ram_b"};
    found.clear();
    for (const InitChain& chain : InitChainsOf(ucf, xst, SynthesizerKind::Xst))
        found.push_back(Summary(chain));
    EXPECT_EQ(found, (std::vector<std::string>{
                         "cpu/ram:xst:cpu/ram0#0 cpu/ram1#1 :4k ::quoted",
                         "ram_b:xst:ram_b0#0 ram_b1#1 ::parity:",
                     }));

    // Lanes that fill their block RAMs read as one XST chain; so do its own lines.
    const std::string full = Lines("lane0", 0, 0x0F) + Lines("lane1", 0, 0x0F) +
                             Lines("lane2", 0, 0x0F) + Lines("ram_1", 0, 0) + Lines("ram_2", 0, 0);
    found.clear();
    for (const InitChain& chain : FindInitChains(full)) found.push_back(Summary(chain));
    EXPECT_EQ(found, (std::vector<std::string>{
                         "lane:xst:lane0#0 lane1#1 lane2#2 :4k ::",
                         "ram:synopsys:ram_1#1 ram_2#2 :::",
                     }));
}

// A conversion learns what it replaces from its removal's walk, which reads the lines as
// InitChainsOf does: the same chains, also with the lines out of order, and the summary the
// warnings take of them.
TEST(UcfInventory, TheRemovalRecordsTheChainsItTakes) {
    std::string ucf = "NET a;\r\n" + Lines("rom_2", 0, 0x1F) + "INST rom LOC = X;\r\n" +
                      Lines("rom", 0, 0x3F) + Lines("\"rom_1\"", 0, 0x3F) + Lines("ram", 0, 7) +
                      Lines("ram", 0, 1, true) + Lines("ROM_1", 0x10, 0x10);
    const std::vector<std::string_view> components = {"rom", "ram", "boot"};
    const RemovalRules rules{true, true, true};  // the command line's
    InitChainCollector collector(components.size(), 2);
    KeptUcfTextOfComponents(ucf, components, SynthesizerKind::Synopsys, true, rules, &collector);
    std::vector<std::string> recorded, read;
    for (const InitChain& chain : collector.Chains(components, SynthesizerKind::Synopsys))
        recorded.push_back(Summary(chain));
    const std::vector<InitChain> chains = InitChainsOf(ucf, components, SynthesizerKind::Synopsys);
    for (const InitChain& chain : chains) read.push_back(Summary(chain));
    EXPECT_EQ(recorded, read);
    EXPECT_EQ(read, (std::vector<std::string>{
                        "rom:synopsys:rom#0 rom_1#1 rom_2#2 :16k ::mixed",
                        "ram:synopsys:ram#0 :16k 32k :parity:", "boot:synopsys::::"}));

    const std::vector<ChainSummary> summaries = collector.Summaries();
    ASSERT_EQ(summaries.size(), 3u);
    EXPECT_EQ(summaries[0].instances, 3u);
    EXPECT_EQ(summaries[0].firstName, "rom");
    EXPECT_EQ(summaries[0].lastName, "rom_2");
    EXPECT_EQ(summaries[0].init.highest, 0x3Fu);
    EXPECT_EQ(summaries[0].fittingSizes, chains[0].FittingSizes());
    EXPECT_EQ(summaries[1].initp.highest, 1u);
    EXPECT_FALSE(summaries[0].initp.Any());
    EXPECT_EQ(summaries[2].instances, 0u);
}

}  // namespace
