// Feeds memories in lanes random layouts, words, component names and UCF text, and checks what
// must hold for every input: the lines agree with the literal layout, the run's pieces (the
// kept text of every component, the streamed blocks) join to the result, the byte-wide layout
// gives the dialog's RewriteUcf text, the words placed from pieces give the lines of the words
// in memory, converting again changes nothing, and extracting the result gives the words back
// padded to whole lines. The UCF text alone is extracted too: whatever it holds, the
// extraction fails with a line number and a reason or gives an image of the size its words
// make.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/core/components_removal.h"
#include "conversion/core/instance_names.h"
#include "conversion/core/lane_lines.h"
#include "conversion/core/ucf_extract.h"
#include "conversion/core/ucf_rewriter.h"
#include "tests/core/lane_test_support.h"
#include "tests/core/reference_lanes.h"

#include "fuzz/fuzz_input.h"

namespace {

void Require(bool condition, const char* what) {
    RequireProperty(condition, "lane", what);
}

constexpr std::uint32_t kSizes[] = {kLinesPerInstance4k, kLinesPerInstance16k,
                                    kLinesPerInstance32k};
constexpr unsigned kWidths[] = {1, 2, 4, 8, 9, 16, 18, 32, 36, 8, 8, 3};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    Input in(bytes, size);
    const std::uint8_t shape = in.Byte();
    MemoryLayout layout{kSizes[shape % 3], kWidths[(shape >> 2) % 12], 1u + in.Byte() % 6};
    const int synthesizer = static_cast<int>(in.Byte() % 3);
    const auto kind = static_cast<SynthesizerKind>(synthesizer);
    const bool fromBytes = (shape & 0x80) != 0;
    if (CheckSourceLayout(layout, !fromBytes, 1) != LayoutProblem::None) return 0;

    // Names the input may make meet or hold blanks; most stay plain.
    std::vector<std::string> names;
    for (unsigned i = 0; i < layout.lanes; ++i) {
        const std::uint8_t pick = in.Byte();
        names.push_back(pick < 200 ? "c" + std::to_string(i) + "x"
                                   : std::string(in.Take(pick % 6)));
    }
    std::vector<std::string_view> components(names.begin(), names.end());
    // A name that starts with a quote reads as a quoted one.
    const bool plainNames = !FindOverlappingComponents(components, kind).has_value() &&
                            std::all_of(names.begin(), names.end(), [](const std::string& name) {
                                return !name.empty() && name[0] != '"' &&
                                       name.find_first_of(" \t\r\n") == std::string::npos;
                            });

    std::size_t dataSize = in.Byte();
    dataSize |= std::size_t{in.Byte()} << 8;
    const std::string_view data = in.Take(dataSize % 6000);
    const std::string ucf(in.Rest());

    const unsigned wordBits = WordBits(layout);
    std::vector<std::uint64_t> words;
    if (fromBytes) {
        words = reference::Words(std::vector<std::uint8_t>(data.begin(), data.end()), wordBits / 8);
    } else {
        for (std::size_t at = 0; at < data.size(); at += 3) {
            std::uint64_t word = 0;
            for (std::size_t i = at; i < std::min(at + 3, data.size()); ++i)
                word = word << 21 ^ static_cast<std::uint8_t>(data[i]) * 0x9E3779B97F4A7C15u;
            words.push_back(wordBits == 64 ? word : word & ((std::uint64_t{1} << wordBits) - 1));
        }
    }
    const auto* raw = reinterpret_cast<const std::uint8_t*>(data.data());
    const std::vector<std::uint8_t> wordBytes = WordBytes(words, wordBits);
    const WordImage image = fromBytes ? WordImage::FromBytes(raw, data.size())
                                      : WordImage::FromBytes(wordBytes.data(), wordBytes.size());

    const WideLines wide = LayOutLanes(image, layout, components, kind);
    const std::string out = RewriteUcf(wide, ucf, {});
    Require(wide.words == words.size(), "the image's words are counted");
    std::string expected;
    for (unsigned i = 0; i < layout.lanes; ++i)
        expected += reference::LaneText(words, layout.width, i, layout.linesPerInstance, names[i],
                                        synthesizer);
    Require(WideTextSize(wide) == expected.size(), "the lines' size is exact");
    std::string written = KeptUcfTextOfComponents(ucf, components, kind, !expected.empty()).text;
    const std::size_t kept = written.size();
    StreamWideLines(
        wide,
        [&written](const char* text, std::size_t n) {
            written.append(text, n);
            return true;
        },
        64 + shape);
    Require(written == out, "the kept text and the streamed lines join to the result");
    Require(out.compare(kept, std::string::npos, expected) == 0, "agrees with the literal layout");
    if (layout.width == 8 && layout.lanes == 1 && fromBytes)
        Require(out == RewriteUcf(raw, static_cast<std::uint32_t>(data.size()), ucf, names[0], kind,
                                  layout.linesPerInstance),
                "the byte-wide layout writes the dialog's text");
    // The same words as an image file's two pieces, given out of order and placed from a base:
    // the same lines.
    if (!wordBytes.empty()) {
        ImageChunks pieces;
        const std::size_t cut = shape % wordBytes.size();
        pieces.Add(0x100 + cut, wordBytes.data() + cut, wordBytes.size() - cut, 2);
        pieces.Add(0x100, wordBytes.data(), cut, 1);
        std::uint64_t size = 0;
        Require(!PlanImage(pieces, 0x100, size) && size == wordBytes.size(), "pieces planned");
        const WideLines placed = LayOutLanes(WordImage::FromPieces(pieces, 0x100, shape, 1, size),
                                             layout, components, kind);
        Require(RewriteUcf(placed, ucf, {}) == out, "placed pieces, the same lines");
    }

    if (plainNames && synthesizer != 2) {
        // A lone carriage return ends a removed line without starting the next one, so a line
        // behind it may only go in the next run.
        bool loneReturn = false;
        for (std::size_t i = 0; i < ucf.size(); ++i)
            loneReturn =
                loneReturn || (ucf[i] == '\r' && (i + 1 == ucf.size() || ucf[i + 1] != '\n'));
        if (!loneReturn)
            Require(RewriteUcf(wide, out, {}) == out, "converting again changes nothing");
        const ExtractedImage back =
            ExtractImage(expected, components, kind, layout, ExtractedFormat::HexWords);
        if (words.empty()) {
            Require(back.failure == ExtractFailure::NoLines, "no words, no lines");
        } else {
            Require(back.Succeeded() && back.missingLines == 0 && back.ignoredParityLines == 0,
                    "the lines are read back whole");
            const std::uint64_t perLine = 256 / DataBits(layout.width);
            Require(back.words == (words.size() + perLine - 1) / perLine * perLine,
                    "whole lines come back");
            const unsigned digits = (wordBits + 3) / 4;
            const std::string backImage = ImageText(back);
            for (std::size_t k = 0; k < back.words; ++k) {
                std::uint64_t word = 0;
                for (unsigned i = 0; i < digits; ++i) {
                    const char c = backImage[k * (digits + 1) + i];
                    word = word << 4 | static_cast<unsigned>(c <= '9' ? c - '0' : c - 'A' + 10);
                }
                Require(word == (k < words.size() ? words[k] : 0), "the words come back");
            }
        }
    }

    // Whatever the UCF holds, the extraction fails with a reason or gives whole words.
    const ExtractedFormat format =
        wordBits % 8 == 0 && (shape & 1) ? ExtractedFormat::Raw : ExtractedFormat::HexWords;
    const ExtractedImage found = ExtractImage(ucf, components, kind, layout, format);
    if (found.Succeeded()) {
        const std::uint64_t wordSize =
            format == ExtractedFormat::Raw ? wordBits / 8 : (wordBits + 3) / 4 + 1;
        Require(ImageText(found).size() == found.words * wordSize &&
                    ExtractedImageSize(found) == found.words * wordSize,
                "the image is whole words");
        Require(found.lanes.size() == layout.lanes, "every lane is told");
    } else {
        Require(!found.reason.empty() && found.dataBits.empty(),
                "a failure has a reason, no image");
        Require(found.failedLine <= std::uint64_t(std::count(ucf.begin(), ucf.end(), '\n')) + 1,
                "the failed line is one of the text's");
    }
    return 0;
}
