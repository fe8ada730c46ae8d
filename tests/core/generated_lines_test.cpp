// The generated lines written a range at a time, the hex value writers the processor can run,
// and the stream that hands the lines over in blocks.
#include "conversion/core/generated_lines.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "conversion/core/generated_line_stream.h"
#include "conversion/core/hex_values.h"
#include "tests/core/rewriter_test_support.h"

namespace {

std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(n);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

GeneratedLines LinesOf(const std::vector<std::uint8_t>& data, std::string_view component,
                       int synthesizer) {
    return {data.data(), static_cast<std::uint32_t>(data.size()), component,
            static_cast<SynthesizerKind>(synthesizer)};
}

// Lines first .. first + count - 1 through WriteGeneratedLines, in a buffer of the promised size.
std::string WriteRange(const GeneratedLines& lines, std::uint32_t first, std::uint32_t count) {
    std::string out(std::size_t{count} * LongestGeneratedLine(lines), '\xEE');
    const char* end = WriteGeneratedLines(lines, first, count, out.data());
    out.resize(static_cast<std::size_t>(end - out.data()));
    return out;
}

std::string Streamed(const GeneratedLines& lines, std::vector<std::size_t>* blockSizes = nullptr) {
    std::string text;
    EXPECT_TRUE(StreamGeneratedLines(lines, [&](const char* block, std::size_t size) {
        text.append(block, size);
        if (blockSizes) blockSizes->push_back(size);
        return true;
    }));
    return text;
}

}  // namespace

TEST(HexValueWriters, EveryWriterGivesTheDigitsOfTheLastByteFirst) {
    HexValueWriter writers[2];
    const std::size_t count = AvailableHexValueWriters(writers);
    ASSERT_GE(count, 1u);
    EXPECT_EQ(FastestHexValueWriter(), writers[count - 1]);

    const std::vector<std::uint8_t> data = RandomBytes(32 * 37, 7);
    std::string expected;
    for (std::size_t chunk = 0; chunk < 37; ++chunk) {
        std::string value;
        for (int i = 31; i >= 0; --i) {
            static const char digits[] = "0123456789ABCDEF";
            const std::uint8_t byte = data[chunk * 32 + static_cast<std::size_t>(i)];
            value += digits[byte >> 4];
            value += digits[byte & 15];
        }
        expected += value + "|||";  // the bytes between the values stay as they were
    }
    for (std::size_t w = 0; w < count; ++w) {
        std::string out(37 * 67, '|');
        writers[w](out.data(), 67, data.data(), 37);
        EXPECT_EQ(out, expected) << "writer " << w;
    }
}

TEST(GeneratedLines, AnyRangeIsTheMatchingPartOfTheWhole) {
    const std::vector<std::uint8_t> data = RandomBytes(32 * 16 * 3 + 32 * 5 + 7, 11);
    const std::string longName(45, 'n');  // a prefix too long for the short copy
    for (const std::string& component : {std::string("bram"), std::string(), longName}) {
        for (int synthesizer : {0, 1, -1}) {
            const GeneratedLines lines = LinesOf(data, component, synthesizer);
            const std::uint32_t total = GeneratedLineCount(lines);
            ASSERT_EQ(total, 16u * 3 + 6);
            const std::string whole = WriteRange(lines, 0, total);
            EXPECT_EQ(whole, Convert("", component, synthesizer,
                                     std::vector<std::uint8_t>(data.begin(), data.end())));
            EXPECT_EQ(whole.size(), GeneratedTextSize(lines));
            for (const std::string& line : Lines(whole))
                EXPECT_LE(line.size(), LongestGeneratedLine(lines));
            // Cuts inside an instance, on its edges and around the short last line.
            for (std::uint32_t cut : {1u, 15u, 16u, 17u, 40u, 53u}) {
                for (std::uint32_t second : {cut, cut + 1}) {
                    if (second > total) continue;
                    EXPECT_EQ(WriteRange(lines, 0, cut) + WriteRange(lines, cut, second - cut) +
                                  WriteRange(lines, second, total - second),
                              whole)
                        << component << " " << synthesizer << " cut at " << cut << ", " << second;
                }
            }
        }
    }
}

TEST(GeneratedLines, LaterInstancesWithLongerSuffixesStillFitTheLongestLine) {
    // The suffix grows with the instance number; the bound must hold for the widest one.
    const std::vector<std::uint8_t> data = RandomBytes(32 * 16 * 1001, 3);
    for (int synthesizer : {0, 1}) {
        const GeneratedLines lines = LinesOf(data, "r", synthesizer);
        const std::uint32_t last = GeneratedLineCount(lines) - 1;
        const std::string line = WriteRange(lines, last, 1);
        EXPECT_EQ(line.substr(0, 12), synthesizer == 0 ? "INST r_1000 " : "INST r1000 I");
        EXPECT_LE(line.size(), LongestGeneratedLine(lines));
    }
}

TEST(GeneratedLineStream, BlocksTogetherAreTheWholeTextInWholeLines) {
    // About 4.5 MiB of lines: several blocks.
    const std::vector<std::uint8_t> data = RandomBytes(1536 * 1024 + 19, 5);
    const GeneratedLines lines = LinesOf(data, "ram", 1);
    std::vector<std::size_t> sizes;
    const std::string text = Streamed(lines, &sizes);
    EXPECT_GT(sizes.size(), 3u);
    EXPECT_EQ(text, WriteRange(lines, 0, GeneratedLineCount(lines)));
    std::size_t at = 0;
    for (std::size_t size : sizes) {
        at += size;
        EXPECT_EQ(text.substr(at - 2, 2), "\r\n");
    }
}

TEST(GeneratedLineStream, LinesLongerThanABlockComeOneByOne) {
    const std::string component(1500 * 1024, 'c');
    const std::vector<std::uint8_t> data = RandomBytes(32 * 2 + 3, 9);
    const GeneratedLines lines = LinesOf(data, component, 0);
    std::vector<std::size_t> sizes;
    const std::string text = Streamed(lines, &sizes);
    EXPECT_EQ(sizes.size(), 3u);
    EXPECT_EQ(text, WriteRange(lines, 0, 3));
}

TEST(GeneratedLineStream, RefusedBlockEndsTheStream) {
    const std::vector<std::uint8_t> data = RandomBytes(2 * 1024 * 1024, 1);
    const GeneratedLines lines = LinesOf(data, "ram", 0);
    int calls = 0;
    EXPECT_FALSE(StreamGeneratedLines(lines, [&](const char*, std::size_t) {
        ++calls;
        return calls < 2;
    }));
    EXPECT_EQ(calls, 2);
}
