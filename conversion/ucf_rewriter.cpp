#include "conversion/ucf_rewriter.h"

#include <algorithm>
#include <array>
#include <memory>
#include <stdexcept>
#include <string>

#include "conversion/byte_classes.h"
#include "conversion/generated_lines.h"
#include "conversion/line_feed_finder.h"
#include "conversion/text_scanning.h"

namespace {

constexpr std::string_view kSeparator = "\r\n";

// True when the four bytes at `p` spell the keyword in any letter case. Setting bit 5 folds
// exactly the two cases of each of these letters and nothing else onto the lower-case byte.
bool IsKeywordAt(const char* p) {
    return (static_cast<unsigned char>(p[0]) | 0x20) == 'i' &&
           (static_cast<unsigned char>(p[1]) | 0x20) == 'n' &&
           (static_cast<unsigned char>(p[2]) | 0x20) == 's' &&
           (static_cast<unsigned char>(p[3]) | 0x20) == 't';
}

// Position after the blanks, or the digits, starting at `pos`: SkipBlanks and TakeDigits in
// a form the hot loop can inline.
std::size_t BlanksEnd(const char* text, std::size_t pos, std::size_t end) {
    while (pos < end && IsBlank(static_cast<unsigned char>(text[pos]))) ++pos;
    return pos;
}
std::size_t DigitsEnd(const char* text, std::size_t pos, std::size_t end) {
    while (pos < end && IsDigit(static_cast<unsigned char>(text[pos]))) ++pos;
    return pos;
}

// Tests what follows a line-leading keyword at `pos`: blanks, the component in any case, then
// the convention's instance suffix and a blank. Leaves `pos` as far as the test got, whether
// or not the line matches, because the search for the next keyword goes on from there.
bool IsComponentInstance(const char* text, std::size_t end, std::size_t& pos,
                         std::string_view foldedComponent, SynthesizerKind synthesizer) {
    const std::size_t name = BlanksEnd(text, pos, end);
    if (name == pos) return false;
    pos = name;
    if (end - pos < foldedComponent.size()) return false;
    for (std::size_t i = 0; i < foldedComponent.size(); ++i) {
        if (FoldAscii(static_cast<unsigned char>(text[pos + i])) !=
            static_cast<unsigned char>(foldedComponent[i]))
            return false;
    }
    pos += foldedComponent.size();

    if (IsSynopsys(synthesizer)) {
        if (pos >= end) return false;
        const auto ch = static_cast<unsigned char>(text[pos]);
        if (IsBlank(ch)) return true;  // the base instance: no suffix
        if (ch != '_') return false;
        ++pos;
    }
    const std::size_t digitsEnd = DigitsEnd(text, pos, end);
    if (digitsEnd == pos) return false;
    pos = BlanksEnd(text, digitsEnd, end);
    return pos > digitsEnd;
}

// Appends `ucfText` without the lines of the component's instances. This is the literal walk
// "find the next INST, check it starts its line, check what follows" with the search narrowed
// to the only places where a find can start a line: the first non-blank of each line. Finds
// elsewhere only ever move the cursor past themselves, and the keyword cannot overlap itself,
// so skipping them changes nothing.
void AppendKeptLines(std::string& out, std::string_view ucfText, std::string_view foldedComponent,
                     SynthesizerKind synthesizer) {
    if (!IsSynopsys(synthesizer) && !IsXst(synthesizer)) {
        out.append(ucfText);  // no convention: nothing is ever removed
        return;
    }
    // Between a keyword and the cursor stand only blanks, digits, "_" and the name, so the
    // cursor stays on the keyword's line unless the name itself holds a line feed.
    const bool nameSpansLines = foldedComponent.find('\n') != std::string_view::npos;
    const char* text = ucfText.data();
    const std::size_t end = ucfText.size();
    std::size_t mark = 0;    // start of the text not yet copied
    std::size_t cursor = 0;  // where the search goes on
    // While only blanks stand between the cursor and its line start, that line start.
    bool atHead = true;
    std::size_t head = 0;
    LineFeedFinder lineFeeds(text, end);

    for (;;) {
        std::size_t lineStart;
        if (atHead) {
            lineStart = head;
        } else {
            cursor = lineFeeds.NextLineStart(cursor);
            if (cursor >= end) break;
            lineStart = cursor;
        }
        const std::size_t word = BlanksEnd(text, cursor, end);
        if (end - word < 4) break;  // no room for the keyword anywhere further on
        if (!IsKeywordAt(text + word)) {
            cursor = word;
            atHead = false;
            continue;
        }
        cursor = word + 4;
        const bool remove = IsComponentInstance(text, end, cursor, foldedComponent, synthesizer);
        atHead = false;
        if (nameSpansLines) {
            const auto blankHead = BlankLineStart(ucfText, cursor);
            atHead = blankHead.has_value();
            head = blankHead.value_or(0);
        }
        if (remove) {
            // With such a name the removed span may already reach past this line's start.
            if (lineStart > mark) out.append(text + mark, lineStart - mark);
            mark = lineFeeds.NextLineStart(cursor);
            if (!atHead) {
                cursor = mark;  // the next line starts where the copying resumes
                if (cursor >= end) break;
                atHead = true;
                head = cursor;
            }
        }
    }
    if (mark < end) out.append(text + mark, end - mark);
}

void AppendKeptText(std::string& out, std::string_view ucfText, std::string_view component,
                    SynthesizerKind synthesizer, bool linesFollow) {
    std::string folded(component);
    for (char& c : folded) c = static_cast<char>(FoldAscii(static_cast<unsigned char>(c)));
    const std::size_t start = out.size();
    AppendKeptLines(out, ucfText, folded, synthesizer);
    // Without a line feed before it, the first new line would continue the user's last line.
    if (linesFollow && out.size() > start && out.back() != '\n') out.append(kSeparator);
}

}  // namespace

std::string KeptUcfText(std::string_view ucfText, std::string_view component,
                        SynthesizerKind synthesizer, bool linesFollow) {
    std::string kept;
    kept.reserve(ucfText.size() + kSeparator.size());
    AppendKeptText(kept, ucfText, component, synthesizer, linesFollow);
    return kept;
}

std::string RewriteUcf(const std::uint8_t* data, std::uint32_t size, std::string_view ucfText,
                       std::string_view component, SynthesizerKind synthesizer) {
    const GeneratedLines lines{data, size, component, synthesizer};
    // One allocation: the kept text is at most the old text, the generated part is exact.
    std::string out;
    const std::uint64_t bound =
        std::uint64_t{ucfText.size()} + kSeparator.size() + GeneratedTextSize(lines);
    if (bound > out.max_size()) throw std::length_error("RewriteUcf: result too large");
    out.reserve(static_cast<std::size_t>(bound));
    AppendKeptText(out, ucfText, component, synthesizer, size > 0);

    // Lines are formatted into a small buffer that stays in cache and appended a block at a
    // time, so every output byte is written once into the memory reserved above.
    const std::size_t longest = LongestGeneratedLine(lines);
    std::array<char, 16 * 1024> small;
    std::unique_ptr<char[]> large;  // for a component name too long for the small one
    char* block = small.data();
    if (longest > small.size()) {
        large.reset(new char[longest]);
        block = large.get();
    }
    const std::uint32_t perBlock =
        static_cast<std::uint32_t>(std::max<std::size_t>(1, small.size() / longest));
    const std::uint32_t count = GeneratedLineCount(lines);
    for (std::uint32_t first = 0; first < count; first += perBlock) {
        const char* end =
            WriteGeneratedLines(lines, first, std::min(perBlock, count - first), block);
        out.append(block, static_cast<std::size_t>(end - block));
    }
    return out;
}
