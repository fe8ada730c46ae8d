// Memories in lanes through the run the command line starts, in-process: each layout's UCF
// against the lines written literally from the words (tests/core/reference_lanes.h), the
// reconversion that changes nothing, the extraction that gives the words back padded to whole
// lines, and the extraction's failures.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "conversion/run/ucf_extract_run.h"
#include "tests/core/reference_lanes.h"
#include "tests/core/rewriter_test_support.h"
#include "tests/run/run_fixture.h"

namespace {

std::string HexDigits(std::uint64_t value, unsigned digits) {
    std::string text(digits, '0');
    for (unsigned i = digits; i-- > 0; value >>= 4) text[i] = "0123456789ABCDEF"[value & 15];
    return text;
}

// A word's `count` bytes, the lowest first.
std::string Bytes(std::uint64_t word, unsigned count) {
    std::string bytes;
    for (unsigned i = 0; i < count; ++i) bytes += static_cast<char>(word >> (8 * i));
    return bytes;
}

struct LaneCase {
    std::uint32_t linesPerInstance;
    unsigned width;
    unsigned lanes;
    int synthesizer;
    bool hexWords;  // the source: a .mem file, else a raw binary of the words' bytes
    std::size_t words;
};

class MemoryLanesTest : public RunTest {
protected:
    // Sets the options and request for the case and writes its source; the words it holds.
    std::vector<std::uint64_t> Prepare(const LaneCase& c, ConversionRequest& request,
                                       unsigned seed) {
        options = ConversionOptions();
        options.format = ImageFormat::Auto;
        options.removalDetails = true;
        options.linesPerInstance = c.linesPerInstance;
        options.width = c.width;
        for (unsigned i = 1; i < c.lanes; ++i) options.moreComponents.push_back(Name(i));
        const unsigned bits = c.width * c.lanes;
        std::mt19937_64 random(seed);
        std::vector<std::uint64_t> words(c.words);
        for (std::uint64_t& word : words) word = bits == 64 ? random() : random() % (1ull << bits);
        request = Request(Name(0), c.synthesizer);
        if (c.hexWords) {
            request.sourceFile = folder / "rom.mem";
            std::string text = "// words\n";
            for (const std::uint64_t word : words) text += HexDigits(word, (bits + 3) / 4) + "\n";
            WriteAll(request.sourceFile, text);
        } else {
            std::string bytes;
            for (const std::uint64_t word : words) bytes += Bytes(word, bits / 8);
            WriteAll(request.sourceFile, bytes);
        }
        return words;
    }

    static std::string Name(unsigned lane) { return "lane" + std::to_string(lane) + "_ram"; }

    // The UCF the run must leave: the kept text, then every lane's lines literally.
    static std::string Expected(const LaneCase& c, const std::vector<std::uint64_t>& words,
                                const std::string& kept) {
        std::string text = kept;
        for (unsigned i = 0; i < c.lanes; ++i)
            text +=
                reference::LaneText(words, c.width, i, c.linesPerInstance, Name(i), c.synthesizer);
        return text;
    }

    // Lines of lanes 0 and 1 from an earlier run of another layout, a placement among them,
    // between the user's lines; `kept` what stays of it.
    static std::string OldText(const LaneCase& c, std::string& kept) {
        const std::string suffix = c.synthesizer == 1 ? "0" : "";
        const std::string lane1 =
            "INST " + Name(1) + suffix + " INITP_07 = " + std::string(63, '0') + "2;\r\n";
        kept = "NET \"clk\" TNM_NET = \"clk\";\r\n" + (c.lanes == 1 ? lane1 : "") + "# end\r\n";
        return "NET \"clk\" TNM_NET = \"clk\";\r\nINST " + Name(0) + suffix +
               " INIT_00 = " + std::string(63, '0') + "1;\r\n" + lane1 + "INST " + Name(0) +
               suffix + " LOC = RAMB16_X0Y0;\r\n# end\r\n";
    }
};

TEST_F(MemoryLanesTest, EveryLayoutWritesItsLanesLiterallyAndExtractsTheWordsBack) {
    const LaneCase cases[] = {
        {16, 8, 1, 0, false, 1040},    // the dialog's
        {16, 1, 8, 0, false, 700},     // 8 lanes of 1 bit, one byte per word
        {16, 2, 4, 1, true, 300},      // 4 lanes of 2 bits
        {16, 4, 3, 0, true, 2100},     // 12 bits: hex words only
        {16, 16, 1, 1, false, 600},    // one 16-bit lane
        {64, 9, 1, 0, true, 3000},     // x9: 1 parity bit per word
        {64, 18, 1, 0, true, 1025},    // x18: 2 parity bits, one word into a second instance
        {64, 8, 4, 0, false, 4100},    // 32-bit words in byte lanes
        {64, 9, 7, 1, true, 90},       // 63 bits over 7 lanes of x9
        {128, 36, 1, 1, true, 2000},   // x36: 4 parity bits per word
        {128, 32, 2, 0, false, 1500},  // 64-bit words in two lanes
        {128, 18, 2, 0, true, 2049},   // two lanes of x18
    };
    unsigned seed = 1;
    for (const LaneCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.linesPerInstance << " lines, width " << c.width
                                        << " x " << c.lanes << (c.hexWords ? ", hex words" : ""));
        ConversionRequest request;
        const std::vector<std::uint64_t> words = Prepare(c, request, seed++);
        std::string kept;
        WriteAll(ucf, OldText(c, kept));
        ConversionOutcome outcome = ConvertFiles(request, options);
        ASSERT_TRUE(outcome.Succeeded()) << FailureText(request, outcome);
        const std::string expected = Expected(c, words, kept);
        ExpectSameText(ReadAll(ucf), expected);
        EXPECT_FALSE(outcome.unchanged);
        ASSERT_EQ(outcome.components.size(), c.lanes);
        EXPECT_EQ(outcome.components[0].linesRemoved, 2u);
        EXPECT_EQ(outcome.components[0].otherLinesRemoved, 1u);  // the placement
        if (c.lanes > 1) {
            EXPECT_EQ(outcome.components[1].linesRemoved, 1u);
            EXPECT_EQ(outcome.components[1].otherLinesRemoved, 0u);  // an INITP_xx line
        }
        const std::uint64_t perInstance =
            std::uint64_t{c.linesPerInstance} * 256 / (c.width - reference::Parity(c.width));
        for (unsigned i = 0; i < c.lanes; ++i) {
            const ComponentOutcome& lane = outcome.components[i];
            EXPECT_EQ(lane.component, Name(i));
            EXPECT_EQ(lane.instancesWritten, (c.words + perInstance - 1) / perInstance);
            EXPECT_EQ(lane.linesWritten,
                      Lines(reference::LaneText(words, c.width, i, c.linesPerInstance, Name(i),
                                                c.synthesizer))
                          .size());
        }

        outcome = ConvertFiles(request, options);
        ASSERT_TRUE(outcome.Succeeded());
        EXPECT_TRUE(outcome.unchanged);
        ExpectSameText(ReadAll(ucf), expected);

        // Back as hex words, and as raw bytes where the words are whole bytes: the words padded
        // with zeros to the last line's end.
        const unsigned bits = c.width * c.lanes;
        const std::uint64_t perLine = 256 / (c.width - reference::Parity(c.width));
        std::vector<std::uint64_t> padded = words;
        padded.resize((words.size() + perLine - 1) / perLine * perLine);
        for (const bool hex : {true, false}) {
            if (!hex && bits % 8 != 0) continue;
            options.extractFile = folder / (hex ? "back.mem" : "back.bin");
            options.extractHexWords = hex;
            const ExtractionOutcome back = ExtractUcfImage(request, options);
            ASSERT_TRUE(back.Succeeded()) << back.reason;
            std::string image;
            for (const std::uint64_t word : padded)
                image += hex ? HexDigits(word, (bits + 3) / 4) + "\n" : Bytes(word, bits / 8);
            ExpectSameText(ReadAll(options.extractFile), image);
            EXPECT_EQ(back.words, padded.size());
            EXPECT_EQ(back.imageSize, image.size());
            EXPECT_TRUE(back.warnings.empty());
            ASSERT_EQ(back.lanes.size(), c.lanes);
            EXPECT_EQ(back.lanes[c.lanes - 1].bits, padded.size() * c.width);
        }
    }
}

TEST_F(MemoryLanesTest, HexWordGapsTakeTheFillInEveryByteAndWideWordsFailWithTheirLine) {
    options.format = ImageFormat::Auto;
    options.linesPerInstance = kLinesPerInstance16k;
    options.width = 18;
    options.fill = 0xA5;
    ConversionRequest request = Request("prog");
    request.sourceFile = folder / "prog.mem";
    WriteAll(request.sourceFile, "3FFFF 00001\n@4 2_0000 // a gap of two words\n");
    ConversionOutcome outcome = ConvertFiles(request, options);
    ASSERT_TRUE(outcome.Succeeded()) << FailureText(request, outcome);
    // Words 2 and 3 hold the fill in each byte, cut to 18 bits: 0x1A5A5.
    const std::vector<std::uint64_t> words = {0x3FFFF, 0x00001, 0x1A5A5, 0x1A5A5, 0x20000};
    ExpectSameText(ReadAll(ucf), reference::LaneText(words, 18, 0, 64, "prog", 0));
    EXPECT_EQ(outcome.sourceDescription, "hex words, 5 words of 18 bits at 0x0000..0x0004");

    WriteAll(request.sourceFile, "00000\n\n3FFFF 40000\n");
    outcome = ConvertFiles(request, options);
    EXPECT_EQ(outcome.failedStep, FailedStep::Source);
    EXPECT_EQ(outcome.reason.rfind("line 3: the word 40000 does not fit in 18 bits", 0), 0u)
        << outcome.reason;
    // A raw binary cannot hold such words; neither can an Intel HEX file.
    request.sourceFile = folder / "prog.bin";
    WriteAll(request.sourceFile, "abc");
    outcome = ConvertFiles(request, options);
    EXPECT_EQ(outcome.failedStep, FailedStep::Source);
    EXPECT_EQ(outcome.layoutProblem, LayoutProblem::NotWholeBytes);
    EXPECT_EQ(ReadAll(ucf), reference::LaneText(words, 18, 0, 64, "prog", 0));
}

TEST_F(MemoryLanesTest, ExtractionFailuresNameTheLineAndWriteNothing) {
    const std::string line =
        " = 0000000000000000000000000000000000000000000000000000000000000001;\r\n";
    const struct {
        std::string ucfText;
        std::string reason;
    } cases[] = {
        {"", "no line of the instances of lo or hi holds INIT_xx or INITP_xx"},
        {"NET a;\r\nINST other INIT_00" + line,
         "no line of the instances of lo or hi holds INIT_xx or INITP_xx"},
        {"INST lo INIT_00" + line + "INST hi INIT_40" + line,
         "line 2: INIT_40 is not an attribute of a 16-Kbit block RAM"},
        {"INST lo INITP_00" + line,
         "line 1: INITP_00 sets parity bits, which a width of 8 has none of"},
        {"INST lo INIT_00 = 01;\r\n", "line 1: the value of lo INIT_00 is not 64 hex digits"},
    };
    options.linesPerInstance = kLinesPerInstance16k;
    options.moreComponents = {"hi"};
    options.extractFile = folder / "image.bin";
    WriteAll(options.extractFile, "kept");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ucfText);
        WriteAll(ucf, c.ucfText);
        const ExtractionOutcome outcome = ExtractUcfImage(Request("lo"), options);
        EXPECT_EQ(outcome.failedStep, FailedStep::Ucf);
        EXPECT_NE(outcome.reason.find(c.reason), std::string::npos) << outcome.reason;
        EXPECT_EQ(ReadAll(options.extractFile), "kept");
        EXPECT_EQ(ReadAll(ucf), c.ucfText);
    }
    // A missing UCF holds no lines and is not created; an unwritable file fails as output.
    std::remove(ucf.c_str());
    EXPECT_EQ(ExtractUcfImage(Request("lo"), options).failedStep, FailedStep::Ucf);
    EXPECT_FALSE(Exists(ucf));
    WriteAll(ucf, "INST hi INIT_01" + line);
    options.extractFile = folder.Path().string();
    const ExtractionOutcome folderAsFile = ExtractUcfImage(Request("lo"), options);
    EXPECT_EQ(folderAsFile.failedStep, FailedStep::Output);

    // Lines missing before the image's end read as zeros, with a warning; the swap reverses
    // the raw image's bytes as a conversion takes them.
    options.extractFile = folder / "image.bin";
    options.swapWidth = 2;
    const ExtractionOutcome missing = ExtractUcfImage(Request("lo"), options);
    ASSERT_TRUE(missing.Succeeded()) << missing.reason;
    std::string image(128, '\0');
    image[64] = 1;  // hi's byte 32 is word 32's high byte, swapped to the low one
    EXPECT_EQ(ReadAll(options.extractFile), image);
    ASSERT_EQ(missing.warnings.size(), 1u);
    EXPECT_NE(missing.warnings[0].find("the first lo INIT_00"), std::string::npos)
        << missing.warnings[0];
}

}  // namespace
