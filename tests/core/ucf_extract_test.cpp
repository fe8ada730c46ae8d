// Reading an image back from a UCF: after a conversion of every width and lane count, from
// hand-written lines, with lines missing, and each way a UCF can fail.
#include "conversion/core/ucf_extract.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "conversion/core/components_removal.h"

namespace {

// The one helper: the image of `components` under Synopsys names unless told otherwise.
ExtractedImage Extract(std::string_view ucf, const MemoryLayout& layout,
                       std::vector<std::string_view> components = {"ram"},
                       ExtractedFormat format = ExtractedFormat::HexWords, int synthesizer = 0) {
    return ExtractImage(ucf, components, static_cast<SynthesizerKind>(synthesizer), layout, format);
}

std::string Hex(std::uint64_t value, unsigned digits) {
    std::string text(digits, '0');
    for (unsigned i = digits; i-- > 0; value >>= 4) text[i] = "0123456789ABCDEF"[value & 15];
    return text;
}

std::string Line(const std::string& instance, const std::string& attribute,
                 const std::string& value = std::string(63, '0') + "1") {
    return "INST " + instance + " " + attribute + " = " + value + ";\r\n";
}

TEST(UcfExtract, ConversionsOfEveryLayoutComeBackPaddedToWholeLines) {
    std::mt19937_64 random(17);
    for (const std::uint32_t lines : {16u, 64u, 128u}) {
        for (const unsigned width : {1u, 2u, 4u, 8u, 9u, 16u, 18u, 32u, 36u}) {
            if (!IsAllowedWidth(width, lines)) continue;
            for (const unsigned lanes : {1u, 2u, 64u / width}) {
                if (lanes * width > 64) continue;
                for (const int synthesizer : {0, 1}) {
                    const MemoryLayout layout{lines, width, lanes};
                    const unsigned wordBits = width * lanes, d = DataBits(width);
                    std::vector<std::uint64_t> words(
                        static_cast<std::size_t>(1 + random() % (2 * WordsPerInstance(layout))));
                    for (auto& w : words) w = random() >> (64 - wordBits);
                    std::vector<std::string> names;
                    std::vector<std::string_view> components;
                    for (unsigned i = 0; i < lanes; ++i)
                        names.push_back(std::string("m").append(std::to_string(i)).append("x"));
                    for (const std::string& name : names) components.push_back(name);
                    const auto kind = static_cast<SynthesizerKind>(synthesizer);
                    const std::string ucf =
                        RewriteUcfLanes(WordImage::FromWords(words.data(), words.size()),
                                        "NET clk;\nINST m0x_1 LOC = X;\nINST other INIT_00 = 1;\n",
                                        components, kind, layout);
                    SCOPED_TRACE(testing::Message() << lines << " lines, width " << width << " x "
                                                    << lanes << ", synthesizer " << synthesizer);

                    // Whole data lines of every lane: the words padded with zero words.
                    const std::size_t perLine = 256 / d;
                    std::vector<std::uint64_t> padded = words;
                    padded.resize((words.size() + perLine - 1) / perLine * perLine);
                    std::string text, bytes;
                    for (const std::uint64_t w : padded) {
                        text += Hex(w, (wordBits + 3) / 4) + "\n";
                        for (unsigned i = 0; i < wordBits / 8; ++i)
                            bytes += static_cast<char>(w >> (8 * i));
                    }
                    const ExtractedImage hex =
                        Extract(ucf, layout, components, ExtractedFormat::HexWords, synthesizer);
                    ASSERT_TRUE(hex.Succeeded()) << hex.reason;
                    EXPECT_EQ(hex.image, text);
                    EXPECT_EQ(hex.words, padded.size());
                    EXPECT_EQ(hex.missingLines + hex.ignoredParityLines, 0u);
                    if (wordBits % 8 == 0) {
                        const ExtractedImage raw =
                            Extract(ucf, layout, components, ExtractedFormat::Raw, synthesizer);
                        EXPECT_TRUE(raw.image == bytes);
                    }
                    const WideLines wide = LayOutLanes(
                        WordImage::FromWords(words.data(), words.size()), layout, components, kind);
                    ASSERT_EQ(hex.lanes.size(), lanes);
                    for (unsigned i = 0; i < lanes; ++i) {
                        const LaneReading& reading = hex.lanes[i];
                        EXPECT_EQ(reading.linesRead, LaneLineCount(wide.lanes[i]));
                        EXPECT_EQ(reading.instances, LaneInstanceCount(wide.lanes[i]));
                        EXPECT_EQ(reading.firstInstance, InstanceName(wide.lanes[i].data, 0));
                        EXPECT_EQ(reading.lastInstance,
                                  InstanceName(wide.lanes[i].data,
                                               static_cast<std::uint32_t>(reading.instances - 1)));
                        EXPECT_EQ(reading.bits, padded.size() * width);
                    }
                }
            }
        }
    }
}

TEST(UcfExtract, TheReportsExampleAndHandWrittenLines) {
    std::string bytes(1040, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
    const std::string ucf = RewriteUcf(reinterpret_cast<const std::uint8_t*>(bytes.data()), 1040,
                                       "", "ram", SynthesizerKind::Synopsys);
    const ExtractedImage image = Extract(ucf, {16, 8, 1}, {"ram"}, ExtractedFormat::Raw);
    ASSERT_TRUE(image.Succeeded());
    EXPECT_EQ(image.image, bytes + std::string(16, '\0'));  // 33 whole lines: 1056 bytes
    EXPECT_EQ(image.lanes[0].linesRead, 33u);
    EXPECT_EQ(image.lanes[0].instances, 3u);
    EXPECT_EQ(image.lanes[0].firstInstance + " .. " + image.lanes[0].lastInstance, "ram .. ram_2");

    // Any case, blanks and tabs, a value in lower case, a comment after the semicolon, LF or
    // CR LF, no blank around "=", no semicolon at the line's end; other attributes and lines
    // under the other convention are passed over.
    const std::string value = "0123456789abcdef" + std::string(46, '0') + "a5";
    const ExtractedImage hand =
        Extract(" \tinst\tRAM_1  init_00\t=\t" + value +
                    " ; # mine\r\n"
                    "INST ram INIT_00=" +
                    std::string(64, 'F') +
                    "\n"
                    "INST ram0 INIT_01 = " +
                    std::string(64, '1') +
                    ";\n"
                    "INST ram INIT_0G = 1;\nINST ram INITIAL = 1;\nINST ram_1 LOC = RAMB16_X0Y1;\n",
                {16, 8, 1}, {"ram"}, ExtractedFormat::Raw);
    ASSERT_TRUE(hand.Succeeded()) << hand.reason;
    ASSERT_EQ(hand.image.size(), 17u * 32);
    EXPECT_EQ(hand.image.substr(0, 32), std::string(32, '\xFF'));
    EXPECT_EQ(hand.image.substr(32, 15 * 32), std::string(15 * 32, '\0'));  // INIT_01 .. 0F
    EXPECT_EQ(hand.image.substr(16 * 32 + 24), "\xEF\xCD\xAB\x89\x67\x45\x23\x01");
    EXPECT_EQ(hand.image[16 * 32], '\xA5');
    EXPECT_EQ(hand.missingLines, 15u);
    EXPECT_EQ(hand.firstMissing, "ram INIT_01");
    EXPECT_EQ(ExtractWarnings(hand).at(0),
              "15 lines before the image's end are missing from the UCF, the first ram INIT_01; "
              "they read as zeros");
}

TEST(UcfExtract, MissingLinesAndParityPastTheImageAreTold) {
    const std::string zero(64, '0');
    const std::string bit40 = std::string(53, '0') + "1" + std::string(9, '0') + "1";  // bits 0, 40
    struct Case {
        std::string ucf;
        MemoryLayout layout;
        std::uint64_t words, missing, ignored;
        const char *firstMissing, *firstIgnored;
    };
    const Case cases[] = {
        // x9: INIT_00 and INIT_02 hold words 0..95; INIT_01 and INITP_00 are missing.
        {Line("ram", "INIT_00") + Line("ram", "INIT_02"), {64, 9, 1}, 96, 2, 0, "ram INIT_01", ""},
        // Parity past the last INIT_xx line's words (32 of them): a whole line, and bit 40.
        {Line("ram", "INIT_00") + Line("ram", "INITP_00", bit40) + Line("ram", "INITP_03"),
         {64, 9, 1},
         32,
         0,
         2,
         "",
         "ram INITP_03"},
        {Line("ram", "INIT_00") + Line("ram", "INITP_03", zero),
         {64, 9, 1},
         32,
         1,
         0,
         "ram INITP_00",
         ""},
        // Only a later instance: every line before it reads as zeros.
        {Line("ram_1", "INIT_00"), {16, 8, 1}, 17 * 32, 16, 0, "ram INIT_00", ""},
        // The second lane lacks the line the first has.
        {Line("lo1", "INIT_00") + Line("hi0", "INIT_0F"),
         {16, 8, 2},
         17 * 32,
         32,
         0,
         "lo0 INIT_00",
         ""},
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
        Extract(Line("ram", "INIT_00") + Line("ram", "INITP_00", bit40), {64, 9, 1});
    EXPECT_EQ(parity.image.substr(0, 8), "101\n000\n");
}

TEST(UcfExtract, UcfsThatHoldNoImageFailWithTheLine) {
    const std::string v(64, '0');
    struct Case {
        std::string ucf;
        MemoryLayout layout;
        int synthesizer;
        ExtractFailure failure;
        const char* reason;
    };
    const Case cases[] = {
        {"",
         {64, 9, 1},
         0,
         ExtractFailure::NoLines,
         "no line of ram's instances holds INIT_xx or INITP_xx"},
        {"INST ram LOC = X;\nINST ram INIT_0G = 1;\nINST ram INITIAL = 1;\nINST ram0 INIT_00 = " +
             v + ";\nINST ram INIT_00\n",
         {64, 9, 1},
         0,
         ExtractFailure::NoLines,
         nullptr},
        {"NET a;\r\nINST ram INIT_40 = " + v + ";\r\n",
         {64, 9, 1},
         0,
         ExtractFailure::AttributeOutsideGeometry,
         "line 2: INIT_40 is not an attribute of a 16-Kbit block RAM (INIT_00 .. INIT_3F, "
         "INITP_00 .. INITP_07)"},
        {"INST ram INITP_08 = " + v + ";",
         {64, 18, 1},
         0,
         ExtractFailure::AttributeOutsideGeometry,
         nullptr},
        {"INST ram INITP_0F = " + v + ";", {128, 36, 1}, 0, ExtractFailure::None, nullptr},
        {"INST ram INITP_00 = " + v + ";",
         {64, 8, 1},
         0,
         ExtractFailure::AttributeOutsideGeometry,
         "line 1: INITP_00 sets parity bits, which a width of 8 has none of"},
        {"INST ram INIT_10 = " + v + ";",
         {16, 8, 1},
         0,
         ExtractFailure::AttributeOutsideGeometry,
         "line 1: INIT_10 is not an attribute of a 4-Kbit block RAM (INIT_00 .. INIT_0F)"},
        {"INST ram init_100 = " + v + ";",
         {128, 8, 1},
         0,
         ExtractFailure::AttributeOutsideGeometry,
         nullptr},
        {"INST ram INIT_00 = " + v.substr(1) + ";",
         {16, 8, 1},
         0,
         ExtractFailure::BadValue,
         "line 1: the value of ram INIT_00 is not 64 hex digits"},
        {"INST ram INIT_00 = " + v + "0;", {16, 8, 1}, 0, ExtractFailure::BadValue, nullptr},
        {"INST ram INIT_00 = " + v + "x;", {16, 8, 1}, 0, ExtractFailure::BadValue, nullptr},
        {"INST ram INIT_00 = 0x" + v.substr(2) + ";",
         {16, 8, 1},
         0,
         ExtractFailure::BadValue,
         nullptr},
        {"INST ram INIT_00 " + v + ";", {16, 8, 1}, 0, ExtractFailure::BadValue, nullptr},
        {"INST ram INIT_00 = \"" + v + "\";", {16, 8, 1}, 0, ExtractFailure::BadValue, nullptr},
        {"INST ram_1 INIT_05 = " + v + ";\nINST RAM_1 init_05 = " + v + ";",
         {16, 8, 1},
         0,
         ExtractFailure::GivenTwice,
         "line 2: ram_1 INIT_05 is given a second time (first on line 1)"},
        {"INST ram_01 INIT_00 = " + v + ";",
         {16, 8, 1},
         0,
         ExtractFailure::NotAnInstanceName,
         "line 1: ram_01 is not one of the instance names ram, ram_1, ..."},
        {"INST ram_0 INIT_00 = " + v + ";",
         {16, 8, 1},
         0,
         ExtractFailure::NotAnInstanceName,
         nullptr},
        {"INST ram0 INIT_00 = " + v + ";\nINST ram00 INIT_00 = " + v + ";",
         {16, 8, 1},
         1,
         ExtractFailure::NotAnInstanceName,
         "line 2: ram00 is not one of the instance names ram0, ram1, ..."},
        {"INST ram_99999999999999999999 INIT_00 = " + v + ";",
         {16, 8, 1},
         0,
         ExtractFailure::ImageTooLarge,
         "line 1: ram_99999999999999999999 INIT_00 lies past the 4 GiB - 1 bytes an image can "
         "hold"},
        {"\n\nINST ram_3000000 INITP_00 = " + v + ";",
         {64, 9, 1},
         0,
         ExtractFailure::ImageTooLarge,
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ucf);
        const ExtractedImage image =
            Extract(c.ucf, c.layout, {"ram"}, ExtractedFormat::HexWords, c.synthesizer);
        EXPECT_EQ(image.failure, c.failure) << image.reason;
        if (c.reason) {
            EXPECT_EQ(image.reason, c.reason);
        }
        EXPECT_TRUE(image.Succeeded() || image.image.empty());
    }
    // An image of more than 4 GiB - 1 bytes over all lanes: 64 lanes of 1 bit.
    std::vector<std::string> names;
    std::vector<std::string_view> components;
    for (int i = 0; i < 64; ++i)
        names.push_back(std::string("b").append(std::to_string(i)).append("x"));
    for (const std::string& name : names) components.push_back(name);
    const ExtractedImage huge = Extract("\nINST b5x_200000 INIT_00 = " + v + ";", {16, 1, 64},
                                        components, ExtractedFormat::Raw);
    EXPECT_EQ(huge.reason,
              "line 2: b5x_200000 INIT_00 makes an image too large to hold (more "
              "than 4 GiB - 1 bytes)");
    EXPECT_EQ(Extract("", {16, 8, 2}, {"a", "b"}).reason,
              "no line of the instances of a or b holds INIT_xx or INITP_xx");
}

}  // namespace
