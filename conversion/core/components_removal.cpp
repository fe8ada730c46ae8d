#include "conversion/core/components_removal.h"

#include <algorithm>
#include <optional>

#include "conversion/core/init_attribute.h"
#include "conversion/core/instance_names.h"
#include "conversion/core/text_scanning.h"

namespace {

constexpr std::string_view kSeparator = "\r\n";
constexpr std::string_view kKeyword = "INST";

// Appends `ucfText` without the lines of the components' instances to `out` (when given) and
// counts what it took out. This is the literal walk "find the next INST, check it starts its
// line, check what follows" with the search narrowed to the only places where a find can start
// a line: the first non-blank of each line. Finds elsewhere only ever move the cursor past
// themselves, and the keyword cannot overlap itself, so skipping them changes nothing. A line
// of an instance that the rules keep is passed over as any other kept line is. The removed
// INIT_xx and INITP_xx lines go to `chains` when given.
std::vector<RemovalCounts> AppendKeptLines(std::string* out, std::string_view ucfText,
                                           std::span<const std::string_view> components,
                                           SynthesizerKind synthesizer, const RemovalRules& rules,
                                           InitChainCollector* chains) {
    std::vector<RemovalCounts> counts(components.size());
    const InstanceNameMatcher names(components, synthesizer,
                                    {rules.quotedNames, rules.exactNameWithoutConvention});
    // Without a convention only the component's own INIT_xx lines can go.
    const bool onlyInitLines = rules.keepPlacements || !HasNamingConvention(synthesizer);
    if (components.empty() ||
        (!HasNamingConvention(synthesizer) && !rules.exactNameWithoutConvention)) {
        if (out) out->append(ucfText);  // nothing is ever removed
        return counts;
    }
    // Between a keyword and the cursor stand only blanks, digits, "_", quotes and a name, so
    // the cursor stays on the keyword's line unless a name itself holds a line feed.
    const bool nameSpansLines = std::any_of(
        components.begin(), components.end(),
        [](std::string_view name) { return name.find('\n') != std::string_view::npos; });
    const std::size_t end = ucfText.size();
    std::size_t mark = 0;  // start of the text not yet copied
    TextCursor cursor{ucfText, 0};
    // While only blanks stand between the cursor and its line start, that line start, and the
    // first component to which it is one.
    bool atHead = true;
    std::size_t head = 0;
    std::size_t firstComponent = 0;
    InstanceMatch match;

    for (;;) {
        std::size_t lineStart;
        if (atHead) {
            lineStart = head;
        } else {
            cursor.pos = NextLineStart(ucfText, cursor.pos);
            if (cursor.pos >= end) break;
            lineStart = cursor.pos;
            firstComponent = 0;
        }
        SkipBlanks(cursor);
        if (end - cursor.pos < kKeyword.size()) break;  // no room for the keyword further on
        atHead = false;
        if (!MatchesNoCase(ucfText, cursor.pos, kKeyword)) continue;
        cursor.pos += kKeyword.size();
        std::size_t reached = cursor.pos;
        bool remove = names.Match(ucfText, cursor.pos, match, firstComponent, &reached);
        cursor.pos = reached;
        std::optional<InitAttribute> attribute;
        if (remove) attribute = MatchInitAttribute(ucfText, cursor.pos);
        const bool init = attribute && attribute->digits == 2;
        bool other = remove && !init;
        if (other && onlyInitLines) {
            other = false;
            remove = false;
            ++counts[match.component].keptLines;
        }
        if (nameSpansLines) {
            const auto blankHead = BlankLineStart(ucfText, cursor.pos);
            atHead = blankHead.has_value();
            head = blankHead.value_or(0);
            firstComponent = 0;
        }
        if (remove) {
            RemovalCounts& removed = counts[match.component];
            ++removed.removedLines;
            if (other) ++removed.removedOtherLines;
            if (chains && init) {
                InitLineRead line;
                line.name = ucfText.substr(match.nameStart, match.nameEnd - match.nameStart);
                line.quoted = ucfText[match.nameStart - 1] == '"';
                line.parity = attribute->parity;
                line.attribute = InitAttributeNumber(ucfText, *attribute);
                chains->Add(match.component, line, [&] { return match.Number(ucfText); });
            }
            // With such a name the removed span may already reach past this line's start.
            if (out && lineStart > mark) out->append(ucfText.data() + mark, lineStart - mark);
            mark = RemovedLineEnd(ucfText, cursor.pos);
            if (!atHead) {
                // The next line starts where the copying resumes. After a lone carriage
                // return it starts one only for the components after this one.
                cursor.pos = mark;
                if (cursor.pos >= end) break;
                head = cursor.pos;
                const bool lineFeed = ucfText[mark - 1] == '\n';
                firstComponent = lineFeed ? 0 : match.component + 1;
                atHead = firstComponent < components.size();
            }
        }
    }
    if (out && mark < end) out->append(ucfText.data() + mark, end - mark);
    return counts;
}

}  // namespace

ComponentsKeptText KeptUcfTextOfComponents(std::string_view ucfText,
                                           std::span<const std::string_view> components,
                                           SynthesizerKind synthesizer, bool linesFollow,
                                           const RemovalRules& rules, InitChainCollector* chains) {
    ComponentsKeptText kept;
    kept.text.reserve(ucfText.size() + kSeparator.size());
    kept.removed = AppendKeptLines(&kept.text, ucfText, components, synthesizer, rules, chains);
    // Without a line feed before it, the first new line would continue the user's last line.
    if (linesFollow && !kept.text.empty() && kept.text.back() != '\n') kept.text.append(kSeparator);
    return kept;
}

std::vector<RemovalCounts> CountRemovedLines(std::string_view ucfText,
                                             std::span<const std::string_view> components,
                                             SynthesizerKind synthesizer,
                                             const RemovalRules& rules) {
    return AppendKeptLines(nullptr, ucfText, components, synthesizer, rules, nullptr);
}
