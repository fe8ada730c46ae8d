#include "conversion/core/ucf_rewriter.h"

#include <cstddef>
#include <stdexcept>
#include <string>

#include "conversion/core/byte_classes.h"
#include "conversion/core/generated_line_stream.h"
#include "conversion/core/generated_lines.h"
#include "conversion/core/text_scanning.h"

namespace {

constexpr std::string_view kSeparator = "\r\n";
constexpr std::string_view kKeyword = "INST";

// Tests what follows a line-leading keyword at the cursor: blanks, the component in any
// case, then the convention's instance suffix and a blank (or, for a name in quotes when the
// rules take those, the closing quote). Leaves the cursor as far as the test got, whether or
// not the line matches, because the search for the next keyword goes on from there.
bool IsComponentInstance(TextCursor& cursor, std::string_view component,
                         SynthesizerKind synthesizer, bool quotedNames) {
    if (SkipBlanks(cursor) == 0) return false;
    const std::string_view text = cursor.text;
    const bool quoted = quotedNames && cursor.pos < text.size() && text[cursor.pos] == '"';
    if (quoted) ++cursor.pos;
    if (!MatchesNoCase(text, cursor.pos, component)) return false;
    cursor.pos += component.size();
    // What ends the name: a blank, which stays for the attribute's test, or the quote.
    const auto endsName = [&cursor, &text, quoted] {
        if (!quoted) return SkipBlanks(cursor) > 0;
        if (cursor.pos >= text.size() || text[cursor.pos] != '"') return false;
        ++cursor.pos;
        return true;
    };

    if (IsSynopsys(synthesizer)) {
        if (cursor.pos >= text.size()) return false;
        const auto ch = static_cast<unsigned char>(text[cursor.pos]);
        if (quoted ? ch == '"' : IsBlank(ch)) return endsName();  // the base instance
        if (ch != '_') return false;
        ++cursor.pos;
    }
    return TakeDigits(cursor) > 0 && endsName();
}

bool IsHexDigit(unsigned char c) {
    return IsDigit(c) || (FoldAscii(c) >= 'a' && FoldAscii(c) <= 'f');
}

// Whether the rest of a removed line, from just after the instance name, is an INIT_xx or
// INITP_xx constraint (the parity lines of wide memories hold their data too): blanks, "INIT_"
// or "INITP_" in any case, two hex digits, then a blank or "=".
bool IsInitConstraint(std::string_view text, std::size_t pos) {
    TextCursor cursor{text, pos};
    SkipBlanks(cursor);
    constexpr std::string_view kInit = "INIT_";
    constexpr std::string_view kInitP = "INITP_";
    const std::size_t name = MatchesNoCase(text, cursor.pos, kInit)    ? kInit.size()
                             : MatchesNoCase(text, cursor.pos, kInitP) ? kInitP.size()
                                                                       : 0;
    if (name == 0 || text.size() - cursor.pos < name + 3) return false;
    const auto at = [&](std::size_t i) {
        return static_cast<unsigned char>(text[cursor.pos + name + i]);
    };
    return IsHexDigit(at(0)) && IsHexDigit(at(1)) && (IsBlank(at(2)) || at(2) == '=');
}

// Appends `ucfText` without the lines of the component's instances to `out` (when given) and
// counts what it took out. This is the literal walk "find the next INST, check it starts its line,
// check what follows" with the search narrowed to the only places where a find can start a line:
// the first non-blank of each line. Finds elsewhere only ever move the cursor past
// themselves, and the keyword cannot overlap itself, so skipping them changes nothing. A line
// of an instance that the rules keep is passed over as any other kept line is.
RemovalCounts AppendKeptLines(std::string* out, std::string_view ucfText,
                              std::string_view component, SynthesizerKind synthesizer,
                              const RemovalRules& rules) {
    RemovalCounts removed;
    if (!IsSynopsys(synthesizer) && !IsXst(synthesizer)) {
        if (out) out->append(ucfText);  // no convention: nothing is ever removed
        return removed;
    }
    // Between a keyword and the cursor stand only blanks, digits, "_", quotes and the name, so
    // the cursor stays on the keyword's line unless the name itself holds a line feed.
    const bool nameSpansLines = component.find('\n') != std::string_view::npos;
    const std::size_t end = ucfText.size();
    std::size_t mark = 0;  // start of the text not yet copied
    TextCursor cursor{ucfText, 0};
    // While only blanks stand between the cursor and its line start, that line start.
    bool atHead = true;
    std::size_t head = 0;

    for (;;) {
        std::size_t lineStart;
        if (atHead) {
            lineStart = head;
        } else {
            cursor.pos = NextLineStart(ucfText, cursor.pos);
            if (cursor.pos >= end) break;
            lineStart = cursor.pos;
        }
        SkipBlanks(cursor);
        if (end - cursor.pos < kKeyword.size()) break;  // no room for the keyword further on
        atHead = false;
        if (!MatchesNoCase(ucfText, cursor.pos, kKeyword)) continue;
        cursor.pos += kKeyword.size();
        bool remove = IsComponentInstance(cursor, component, synthesizer, rules.quotedNames);
        bool other = remove && !IsInitConstraint(ucfText, cursor.pos);
        if (other && rules.keepPlacements) {
            other = false;
            remove = false;
            ++removed.keptLines;
        }
        if (nameSpansLines) {
            const auto blankHead = BlankLineStart(ucfText, cursor.pos);
            atHead = blankHead.has_value();
            head = blankHead.value_or(0);
        }
        if (remove) {
            ++removed.removedLines;
            if (other) ++removed.removedOtherLines;
            // With such a name the removed span may already reach past this line's start.
            if (out && lineStart > mark) out->append(ucfText.data() + mark, lineStart - mark);
            mark = RemovedLineEnd(ucfText, cursor.pos);
            if (!atHead) {
                // The next line starts where the copying resumes, unless a lone carriage
                // return ended the removal: what follows it is kept but starts no line.
                cursor.pos = mark;
                if (cursor.pos >= end) break;
                atHead = ucfText[mark - 1] == '\n';
                head = cursor.pos;
            }
        }
    }
    if (out && mark < end) out->append(ucfText.data() + mark, end - mark);
    return removed;
}

RemovalCounts AppendKeptText(std::string& out, std::string_view ucfText, std::string_view component,
                             SynthesizerKind synthesizer, bool linesFollow,
                             const RemovalRules& rules) {
    const std::size_t start = out.size();
    const RemovalCounts removed = AppendKeptLines(&out, ucfText, component, synthesizer, rules);
    // Without a line feed before it, the first new line would continue the user's last line.
    if (linesFollow && out.size() > start && out.back() != '\n') out.append(kSeparator);
    return removed;
}

}  // namespace

KeptText KeptUcfText(std::string_view ucfText, std::string_view component,
                     SynthesizerKind synthesizer, bool linesFollow, const RemovalRules& rules) {
    KeptText kept;
    kept.text.reserve(ucfText.size() + kSeparator.size());
    const RemovalCounts removed =
        AppendKeptText(kept.text, ucfText, component, synthesizer, linesFollow, rules);
    kept.removedLines = removed.removedLines;
    kept.removedOtherLines = removed.removedOtherLines;
    kept.keptLines = removed.keptLines;
    return kept;
}

RemovalCounts CountRemovedLines(std::string_view ucfText, std::string_view component,
                                SynthesizerKind synthesizer, const RemovalRules& rules) {
    return AppendKeptLines(nullptr, ucfText, component, synthesizer, rules);
}

std::string RewriteUcf(const std::uint8_t* data, std::uint32_t size, std::string_view ucfText,
                       std::string_view component, SynthesizerKind synthesizer,
                       std::uint32_t linesPerInstance) {
    return RewriteUcf(GeneratedLines{data, size, component, synthesizer, linesPerInstance}, ucfText,
                      RemovalRules{});
}

std::string RewriteUcf(const GeneratedLines& lines, std::string_view ucfText,
                       const RemovalRules& rules) {
    // One allocation: the kept text is at most the old text, the generated part is exact.
    std::string out;
    const std::uint64_t bound =
        std::uint64_t{ucfText.size()} + kSeparator.size() + GeneratedTextSize(lines);
    if (bound > out.max_size()) throw std::length_error("RewriteUcf: result too large");
    out.reserve(static_cast<std::size_t>(bound));
    AppendKeptText(out, ucfText, lines.component, lines.synthesizer, lines.size > 0, rules);
    // The same blocks that a conversion run writes to the file.
    StreamGeneratedLines(lines, AppendingTo(out), kMemoryLineBlock);
    return out;
}
