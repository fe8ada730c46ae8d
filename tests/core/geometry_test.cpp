// The larger block RAMs (64 and 128 lines per instance) and the byte swaps for big-endian
// words.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "conversion/core/byte_order.h"
#include "conversion/core/generated_lines.h"
#include "conversion/core/ucf_rewriter.h"
#include "tests/core/reference_rewriter.h"
#include "tests/core/rewriter_test_support.h"

namespace {

std::string ConvertWith(std::string_view ucf, std::string_view component, int synthesizer,
                        const std::vector<std::uint8_t>& data, std::uint32_t linesPerInstance) {
    return RewriteUcf(data.data(), static_cast<std::uint32_t>(data.size()), ucf, component,
                      static_cast<SynthesizerKind>(synthesizer), linesPerInstance);
}

struct Geometry {
    std::uint32_t lines;
};
const Geometry kGeometries[] = {{16}, {64}, {128}};

TEST(BlockRamGeometry, LinesNameInstancesAndAttributesForEachSize) {
    const std::vector<std::uint8_t> data = Counting(4097);
    for (const Geometry& geometry : kGeometries) {
        for (const std::size_t size : {1040, 2048, 2049, 4096, 4097}) {
            const std::vector<std::uint8_t> part(data.begin(), data.begin() + size);
            for (const int synthesizer : {0, 1, -1}) {
                SCOPED_TRACE(testing::Message() << geometry.lines << " lines, " << size
                                                << " bytes, synthesizer " << synthesizer);
                const std::string text = ConvertWith("", "bram", synthesizer, part, geometry.lines);
                EXPECT_EQ(text, reference::Rewrite(part.data(), static_cast<std::uint32_t>(size),
                                                   "", "bram", synthesizer, geometry.lines));
                const GeneratedLines generated{part.data(), static_cast<std::uint32_t>(size),
                                               "bram", static_cast<SynthesizerKind>(synthesizer),
                                               geometry.lines};
                EXPECT_EQ(GeneratedInstanceCount(generated),
                          (size + 32 * geometry.lines - 1) / (32 * geometry.lines));
                EXPECT_EQ(GeneratedTextSize(generated), text.size());
            }
        }
    }
}

TEST(BlockRamGeometry, ConvertingAgainEqualsConvertingOnce) {
    const std::vector<std::uint8_t> data = Counting(9000);
    const std::string ucf = "NET \"clk\" TNM_NET = \"clk\";\r\nINST other INIT_00 = 00;\r\n";
    for (const Geometry& geometry : kGeometries) {
        for (const int synthesizer : {0, 1}) {
            const std::string once = ConvertWith(ucf, "Rom", synthesizer, data, geometry.lines);
            EXPECT_TRUE(ConvertWith(once, "Rom", synthesizer, data, geometry.lines) == once)
                << geometry.lines << " lines, synthesizer " << synthesizer;
            // Other sizes' lines go as well: the removal never looks at the attribute.
            for (const Geometry& before : kGeometries) {
                const std::string earlier =
                    ConvertWith(ucf, "Rom", synthesizer, Counting(5000), before.lines);
                EXPECT_TRUE(ConvertWith(earlier, "rom", synthesizer, data, geometry.lines) ==
                            ConvertWith(ucf, "rom", synthesizer, data, geometry.lines))
                    << before.lines << " then " << geometry.lines << " lines";
            }
        }
    }
}

TEST(ByteOrder, WordsAreReversedAfterPaddingTheLastOne) {
    EXPECT_EQ(PaddedToWords(0, 4), 0u);
    EXPECT_EQ(PaddedToWords(5, 4), 8u);
    EXPECT_EQ(PaddedToWords(8, 8), 8u);
    EXPECT_EQ(PaddedToWords(0xFFFFFFFFu, 8), 0x100000000u);  // past the 32-bit limit

    std::vector<std::uint8_t> bytes = {0x11, 0x22, 0x33, 0x44};
    ReverseWordBytes(bytes.data(), bytes.size(), 4);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x44, 0x33, 0x22, 0x11}));
    // The example: 11 22 33 44 with 4-byte words reads 11223344 on the right.
    const std::string line = ConvertWith("", "ram", 0, bytes, 16);
    EXPECT_EQ(line, "INST ram INIT_00 = " + std::string(56, '0') + "11223344;\r\n");

    for (const unsigned width : {2u, 4u, 8u}) {
        for (const std::size_t size : {0, 1, 7, 8, 9, 31, 33, 1000}) {
            const std::vector<std::uint8_t> data = Counting(size);
            std::vector<std::uint8_t> swapped = data;
            swapped.resize(static_cast<std::size_t>(PaddedToWords(size, width)), 0);
            ReverseWordBytes(swapped.data(), swapped.size(), width);
            EXPECT_EQ(swapped, reference::Swapped(data, width)) << width << ", " << size;
            // Twice is the padded original.
            ReverseWordBytes(swapped.data(), swapped.size(), width);
            std::vector<std::uint8_t> padded = data;
            padded.resize(swapped.size(), 0);
            EXPECT_EQ(swapped, padded);
        }
    }
}

}  // namespace
