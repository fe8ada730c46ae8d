// Feeds the rewriter random UCF text, data, component names and synthesizer indexes, and
// checks what must hold for every input: the result is the kept text, a line break only where
// the kept text ends mid-line, then exactly the generated lines; the kept text is whole input
// lines in their order; the fast rewriter agrees with the literal one; and converting the
// result again changes nothing when the name is one the dialog could give. The pieces that a
// conversion run writes, the kept text and the streamed blocks of lines, join to the result.
// Each input also picks the block RAM size (16, 64 or 128 lines per instance) and may have its
// data swapped as 2-, 4- or 8-byte words first.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/core/byte_order.h"
#include "conversion/core/components_removal.h"
#include "conversion/core/generated_line_stream.h"
#include "conversion/core/generated_lines.h"
#include "conversion/core/ucf_rewriter.h"
#include "tests/core/reference_rewriter.h"
#include "tests/core/rewriter_test_support.h"

#include "fuzz/fuzz_input.h"

namespace {

void Require(bool condition, const char* what) {
    RequireProperty(condition, "rewriter", what);
}

// The generated lines written out from their definition, one snprintf at a time.
std::string ExpectedLines(const std::vector<std::uint8_t>& data, const std::string& component,
                          int synthesizer, unsigned perInstance) {
    std::string lines;
    for (std::size_t line = 0; line * 32 < data.size(); ++line) {
        const std::size_t instance = line / perInstance;
        std::string suffix;
        if (synthesizer == 1) suffix = std::to_string(instance);
        if (synthesizer == 0 && instance > 0) suffix = "_" + std::to_string(instance);
        char head[32];
        std::snprintf(head, sizeof head,
                      " INIT_%02X = ", static_cast<unsigned>(line % perInstance));
        lines += "INST " + component + suffix + head;
        for (std::size_t i = 32; i-- > 0;) {
            const std::size_t at = line * 32 + i;
            char pair[3];
            std::snprintf(pair, sizeof pair, "%02X", at < data.size() ? data[at] : 0);
            lines += pair;
        }
        lines += ";\r\n";
    }
    return lines;
}

// Splits after every line feed and after every carriage return that no line feed follows: the
// pieces that a removal takes whole.
std::vector<std::string> RemovalPieces(std::string_view text) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool loneReturn = text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n');
        if (text[i] == '\n' || loneReturn) {
            pieces.emplace_back(text.substr(start, i + 1 - start));
            start = i + 1;
        }
    }
    if (start < text.size()) pieces.emplace_back(text.substr(start));
    return pieces;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    Input in(bytes, size);
    const std::uint8_t choice = in.Byte();
    const int synthesizers[] = {0, 1, -1, 2 + (choice >> 2)};
    const int synthesizer = synthesizers[choice & 3];
    const std::uint8_t flags = in.Byte();
    const std::uint32_t sizes[] = {kLinesPerInstance4k, kLinesPerInstance4k, kLinesPerInstance16k,
                                   kLinesPerInstance32k};
    const std::uint32_t perInstance = sizes[(flags >> 2) & 3];
    const unsigned swapWidths[] = {1, 1, 1, 1, 1, 2, 4, 8};
    const unsigned swapWidth = swapWidths[(flags >> 4) & 7];
    const std::string component(in.Take(in.Byte() % 16));

    std::size_t dataSize = in.Byte();
    dataSize |= std::size_t{in.Byte()} << 8;
    dataSize %= 4096;
    const std::string_view given = in.Take(dataSize);
    std::vector<std::uint8_t> data(given.begin(), given.end());
    // Some inputs repeat their data until it spans more than ten instances.
    if ((flags & 2) != 0 && !data.empty())
        while (data.size() < 5700) data.push_back(data[data.size() % given.size()]);
    if (swapWidth > 1) {
        // The run pads and swaps in place; the literal swap is the oracle.
        const std::vector<std::uint8_t> expected = reference::Swapped(data, swapWidth);
        data.resize(static_cast<std::size_t>(PaddedToWords(data.size(), swapWidth)), 0);
        ReverseWordBytes(data.data(), data.size(), swapWidth);
        Require(data == expected, "words swapped after padding");
    }

    // Some inputs spell the keyword, the name and line ends with single bytes, which lets the
    // fuzzer reach matching lines quickly.
    std::string ucf;
    for (const char c : in.Rest()) {
        if ((flags & 1) != 0 && c == '\x01') {
            ucf += "INST ";
        } else if ((flags & 1) != 0 && c == '\x02') {
            ucf += component;
        } else if ((flags & 1) != 0 && c == '\x03') {
            ucf += "\r\n";
        } else {
            ucf += c;
        }
    }

    const auto kind = static_cast<SynthesizerKind>(synthesizer);
    const auto count = static_cast<std::uint32_t>(data.size());
    const std::string out = RewriteUcf(data.data(), count, ucf, component, kind, perInstance);

    // Removal does not depend on the data: the kept text is the result for no data at all.
    const std::string kept = RewriteUcf(nullptr, 0, ucf, component, kind);
    const bool glued = !data.empty() && !kept.empty() && kept.back() != '\n';
    const std::string generated = ExpectedLines(data, component, synthesizer, perInstance);
    Require(out == kept + (glued ? "\r\n" : "") + generated,
            "result is kept text, line break, generated lines");
    if (component.find('\n') == std::string::npos)
        Require(Lines(generated).size() == (data.size() + 31) / 32, "one line per 32 bytes");

    // A removal ends at a line feed or at a carriage return that none follows, and a name with
    // either could carry it past that.
    const bool plainName = component.find_first_of("\r\n") == std::string::npos;
    const std::vector<std::string> inputLines = RemovalPieces(ucf);
    std::size_t next = 0;
    for (const std::string& line : RemovalPieces(kept)) {
        if (!plainName) break;
        while (next < inputLines.size() && inputLines[next] != line) ++next;
        Require(next < inputLines.size(), "kept lines are input lines in order");
        ++next;
    }
    if (synthesizer != 0 && synthesizer != 1) Require(kept == ucf, "no convention keeps all");

    const std::string_view components[] = {component};
    const auto keptBy = [&](const RemovalRules& rules) {
        return KeptUcfTextOfComponents(ucf, components, kind, !data.empty(), rules);
    };
    const ComponentsKeptText runKept = keptBy({});
    const RemovalCounts& removed = runKept.removed[0];
    // Keeping placements splits the same instance lines into removed and kept ones; quoted
    // names only ever add lines to the removal (a name that itself starts with a quote reads
    // as a quoted one).
    if (plainName) {
        const ComponentsKeptText placed = keptBy({true, false, false});
        Require(
            placed.removed[0].removedLines + placed.removed[0].keptLines == removed.removedLines &&
                placed.removed[0].removedOtherLines == 0 &&
                placed.text.size() >= runKept.text.size(),
            "kept placements are lines the whole removal takes");
    }
    if (plainName && (component.empty() || component[0] != '"')) {
        const ComponentsKeptText quoted = keptBy({false, true, false});
        Require(quoted.removed[0].removedLines >= removed.removedLines &&
                    (ucf.find('"') != std::string::npos || quoted.text == runKept.text),
                "quoted names add to the removal only where quotes stand");
    }
    std::string written = runKept.text;
    StreamGeneratedLines(GeneratedLines{data.data(), count, component, kind, perInstance},
                         [&written](const char* text, std::size_t n) {
                             written.append(text, n);
                             return true;
                         });
    Require(written == out, "the run's kept text and streamed lines join to the result");
    if (plainName)
        Require(removed.removedLines == inputLines.size() - RemovalPieces(kept).size(),
                "removed lines are counted");
    const RemovalCounts counts = CountRemovedLines(ucf, components, kind)[0];
    Require(counts.removedLines == removed.removedLines &&
                counts.removedOtherLines == removed.removedOtherLines &&
                counts.removedOtherLines <= counts.removedLines,
            "the counting walk agrees with the copying one");

    Require(out == reference::Rewrite(data.data(), count, ucf, component, synthesizer, perInstance),
            "agrees with the literal walk");

    const bool dialogName = !component.empty() && component[0] != ' ' && component[0] != '\t' &&
                            component.find('\n') == std::string::npos;
    // A lone carriage return ends a removed line without starting the next one, so a line
    // behind it may only go in the next run.
    bool loneReturn = false;
    for (std::size_t i = 0; i < ucf.size(); ++i)
        loneReturn = loneReturn || (ucf[i] == '\r' && (i + 1 == ucf.size() || ucf[i + 1] != '\n'));
    if ((synthesizer == 0 || synthesizer == 1) && dialogName && !loneReturn) {
        Require(RewriteUcf(data.data(), count, out, component, kind, perInstance) == out,
                "converting again changes nothing");
        // The command line's removal, quoted names written and read, converts as stably.
        const WideLines quotedLines = LayOutLanes(WordImage::FromBytes(data.data(), count),
                                                  {perInstance, 8, 1}, components, kind, true);
        const RemovalRules rules{(flags & 0x80) != 0, true, true};
        const std::string once = RewriteUcf(quotedLines, ucf, rules);
        Require(RewriteUcf(quotedLines, once, rules) == once,
                "converting again with quoted names changes nothing");
    }
    return 0;
}
