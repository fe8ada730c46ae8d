// Properties over many generated inputs: the fast rewriter agrees with the literal one,
// converting the same inputs twice gives what converting once gives, and the one walk that
// removes a memory's lanes takes what removing them one after the other takes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "conversion/core/components_removal.h"
#include "conversion/core/instance_names.h"
#include "conversion/core/ucf_rewriter.h"
#include "tests/core/reference_rewriter.h"
#include "tests/core/rewriter_test_support.h"

using namespace std::string_literals;

namespace {

// Pieces that steer generated text into the corners of the matching rules.
const std::vector<std::string> kPieces = {"INST",    "inst",
                                          "InSt",    "INSTANCE",
                                          " ",       "\t",
                                          "  ",      "\n",
                                          "\r",      "\r\n",
                                          "ram",     "RAM",
                                          "Ram",     "ra",
                                          "_",       "0",
                                          "7",       "12",
                                          "x",       "#",
                                          "\0"s,     "\xE9",
                                          "\xC9",    ";",
                                          "LOC = X", " INIT_0A = 1F",
                                          "NET a;",  "\n\n",
                                          "\nINST ", "\n \tINST\t",
                                          "bram",    "1",
                                          "a\n",     "_007 "};

const std::vector<std::string> kComponents = {
    "ram", "RAM", "r", "", "bram", "ram_1", "a b", "ram1", " ram", "a\n", "a\nINST", "\0"s, "\xE9"};

class Generator {
public:
    explicit Generator(unsigned seed) : rng_(seed) {}

    std::size_t Below(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_);
    }

    // Random pieces, now and then a random byte or the component's own name.
    std::string Text(std::size_t pieces, std::string_view component = {}) {
        std::string text;
        for (std::size_t i = 0; i < pieces; ++i) {
            const std::size_t pick = Below(16);
            if (pick < 2) {
                text.push_back(static_cast<char>(Below(256)));
            } else if (pick < 5) {
                text += component;
            } else if (pick < 7) {
                text += "INST ";
            } else {
                text += kPieces[Below(kPieces.size())];
            }
        }
        return text;
    }

    std::vector<std::uint8_t> Data() {
        static const std::size_t kSizes[] = {0, 1, 31, 32, 33, 511, 512, 513, 1040};
        const std::size_t size = Below(4) == 0 ? Below(6000) : kSizes[Below(std::size(kSizes))];
        std::vector<std::uint8_t> data(size);
        for (auto& b : data) b = static_cast<std::uint8_t>(Below(256));
        return data;
    }

private:
    std::mt19937 rng_;
};

std::string Reference(std::string_view ucf, std::string_view component, int synthesizer,
                      const std::vector<std::uint8_t>& data) {
    return reference::Rewrite(data.data(), static_cast<std::uint32_t>(data.size()), ucf, component,
                              synthesizer);
}

}  // namespace

TEST(RewriteUcfProperties, AgreesWithTheLiteralWalk) {
    Generator gen(20240601);
    const int synthesizers[] = {0, 1, -1, 2};
    for (int round = 0; round < 20000; ++round) {
        const std::string component =
            gen.Below(4) == 0 ? gen.Text(gen.Below(3)) : kComponents[gen.Below(kComponents.size())];
        const std::string ucf = gen.Text(gen.Below(40), component);
        const int synthesizer = synthesizers[gen.Below(4)];
        const std::vector<std::uint8_t> data =
            round % 16 == 0 ? gen.Data() : std::vector<std::uint8_t>(gen.Below(70), 0x5A);
        ASSERT_EQ(Convert(ucf, component, synthesizer, data),
                  Reference(ucf, component, synthesizer, data))
            << "round " << round << " synthesizer " << synthesizer << "\ncomponent [" << component
            << "]\nucf [" << ucf << "]";
    }
}

TEST(RewriteUcfProperties, AgreesOnTheSystemsOwnOutput) {
    Generator gen(7);
    for (int round = 0; round < 300; ++round) {
        const int synthesizer = static_cast<int>(gen.Below(2));
        const std::string component = kComponents[gen.Below(kComponents.size())];
        const std::string ucf = gen.Text(gen.Below(10)) +
                                Convert("", component, static_cast<int>(gen.Below(2)), gen.Data()) +
                                gen.Text(gen.Below(10));
        const std::vector<std::uint8_t> data = gen.Data();
        ASSERT_EQ(Convert(ucf, component, synthesizer, data),
                  Reference(ucf, component, synthesizer, data))
            << "round " << round;
    }
}

// Under every rule and size, quoted or not: converting after any earlier conversion (of other
// data, another block RAM size) gives what converting once gives, since the removal takes the
// lines whatever their attribute.
TEST(RewriteUcfProperties, ConvertingAgainEqualsConvertingOnce) {
    Generator gen(99);
    const RemovalRules rules[] = {
        {}, {true, false, false}, {false, true, false}, {true, true, false}, {false, true, true}};
    const std::uint32_t sizes[] = {16, 64, 128};
    for (int round = 0; round < 3000; ++round) {
        // A name as the dialog can give it: not empty, no leading blank, no line feed.
        std::string component;
        const std::size_t length = 1 + gen.Below(6);
        const char alphabet[] = "aRm_19 B";
        for (std::size_t i = 0; i < length; ++i)
            component.push_back(alphabet[gen.Below(i == 0 ? 5 : sizeof alphabet - 1)]);
        const int synthesizer = static_cast<int>(gen.Below(3)) - 1;
        const RemovalRules& rule = rules[gen.Below(5)];
        // Without a convention only the command line's removal takes the one instance back.
        if (synthesizer < 0 && !rule.exactNameWithoutConvention) continue;
        const bool quoted = rule.quotedNames && gen.Below(2) == 0;
        std::string ucf = gen.Text(gen.Below(30), component);
        // Half of the texts end with a line feed (or are empty); the rest end mid-line, which
        // the inserted line break makes stable too.
        if (round % 2 == 0 && !ucf.empty() && ucf.back() != '\n') ucf.push_back('\n');
        const std::uint32_t size = sizes[gen.Below(3)], earlierSize = sizes[gen.Below(3)];
        // Some data, so that a line break the earlier lines put after the text stays needed.
        std::vector<std::uint8_t> data = gen.Data(), earlier = gen.Data();
        data.push_back(0x5A);
        if (synthesizer < 0) {
            data.resize(std::min<std::size_t>(data.size(), 32 * size));
            earlier.resize(std::min<std::size_t>(earlier.size(), 32 * earlierSize));
        }
        const auto convert = [&](const std::vector<std::uint8_t>& bytes, std::uint32_t lines,
                                 const std::string& text) {
            const std::string_view components[] = {component};
            return RewriteUcf(
                LayOutLanes(WordImage::FromBytes(bytes.data(), bytes.size()), {lines, 8, 1},
                            components, static_cast<SynthesizerKind>(synthesizer), quoted),
                text, rule);
        };
        const std::string once = convert(data, size, ucf);
        ASSERT_EQ(convert(data, size, convert(earlier, earlierSize, ucf)), once)
            << "round " << round << " component [" << component << "]\nucf [" << ucf << "]";
    }
}

TEST(RewriteUcfProperties, OneWalkForSeveralComponentsTakesWhatOneAfterTheOtherTakes) {
    Generator gen(11);
    const RemovalRules rules[] = {{}, {true, true, false}, {false, true, true}};
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::string> names;
        for (std::size_t n = 2 + gen.Below(2); names.size() < n;) {
            const std::string& name = kComponents[gen.Below(kComponents.size())];
            if (name.find('\n') == std::string::npos) names.push_back(name);
        }
        const std::vector<std::string_view> components(names.begin(), names.end());
        const auto synthesizer = static_cast<SynthesizerKind>(static_cast<int>(gen.Below(3)) - 1);
        // Names that meet give a line to the first of them, where one after the other each
        // would take its own.
        if (FindOverlappingComponents(components, synthesizer)) continue;
        std::string ucf;
        for (const std::string& name : names) ucf += gen.Text(gen.Below(20), name);
        const RemovalRules& rule = rules[round % 3];
        const ComponentsKeptText once =
            KeptUcfTextOfComponents(ucf, components, synthesizer, round % 2 == 0, rule);
        std::string text = ucf;
        for (std::size_t i = 0; i < components.size(); ++i) {
            const ComponentsKeptText one = KeptUcfTextOfComponents(
                text, std::span(&components[i], 1), synthesizer, false, rule);
            ASSERT_EQ(one.removed[0].removedLines, once.removed[i].removedLines) << round;
            ASSERT_EQ(one.removed[0].keptLines, once.removed[i].keptLines) << round;
            text = one.text;
        }
        if (round % 2 == 0 && !text.empty() && text.back() != '\n') text += "\r\n";
        ASSERT_EQ(once.text, text) << "round " << round << "\nucf [" << ucf << "]";
    }
}
