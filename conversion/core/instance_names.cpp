#include "conversion/core/instance_names.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "conversion/core/byte_classes.h"
#include "conversion/core/text_scanning.h"

namespace {

// Far past the instances of any image; larger suffixes read as this.
constexpr std::uint64_t kLargestNumber = std::uint64_t{1} << 40;
// A few names are quicker to test one by one than to look up.
constexpr std::size_t kFewNames = 8;

// FNV-1a of a name's bytes, ASCII letters folded, and its length: equal for names that match
// without regard to case.
std::uint64_t NameHash(const char* name, std::size_t size) {
    std::uint64_t hash = 0xCBF29CE484222325u ^ size;
    for (std::size_t i = 0; i < size; ++i)
        hash = (hash ^ FoldAscii(static_cast<unsigned char>(name[i]))) * 0x100000001B3u;
    return hash;
}

// One component's name at `at`, the byte after the blanks and an opening quote (`quoted`):
// true with `match` filled in, or false; `reached` grows to how far the test looked. The
// removal calls it for every INST line of a text, so it is kept plain.
bool MatchComponent(std::string_view text, std::size_t at, bool quoted, std::string_view component,
                    SynthesizerKind synthesizer, const NameReading& reading, InstanceMatch& match,
                    std::size_t& reached) {
    if (!MatchesNoCase(text, at, component)) {
        reached = std::max(reached, at);
        return false;
    }
    std::size_t pos = at + component.size();
    const std::size_t size = text.size();
    // Whether the name ends at `pos`: at a blank, or at the closing quote.
    const auto endsAt = [&](std::size_t i) {
        if (i >= size) return false;
        const auto c = static_cast<unsigned char>(text[i]);
        return quoted ? c == '"' : IsBlank(c);
    };
    std::size_t digits = pos;
    if (!HasNamingConvention(synthesizer)) {
        // The name alone, when it counts at all.
        if (!reading.exactWithoutConvention || !endsAt(pos)) {
            reached = std::max(reached, pos);
            return false;
        }
    } else if (!(IsSynopsys(synthesizer) && endsAt(pos))) {  // not Synopsys' first instance
        if (IsSynopsys(synthesizer)) {
            if (pos >= size || text[pos] != '_') {
                reached = std::max(reached, pos);
                return false;
            }
            ++pos;
        }
        digits = pos;
        while (pos < size && IsDigit(static_cast<unsigned char>(text[pos]))) ++pos;
        if (pos == digits) {
            reached = std::max(reached, pos);
            return false;
        }
    }
    // What ends the name: blanks, passed over, or the closing quote.
    const std::size_t nameEnd = pos;
    if (!endsAt(pos)) {
        reached = std::max(reached, pos);
        return false;
    }
    if (quoted) {
        ++pos;
    } else {
        while (pos < size && IsBlank(static_cast<unsigned char>(text[pos]))) ++pos;
    }
    match.nameStart = at;
    match.nameEnd = nameEnd;
    match.digits = digits;
    match.end = pos;
    reached = std::max(reached, pos);
    return true;
}

std::size_t DecimalLength(std::uint32_t k) {
    std::size_t n = 1;
    for (; k >= 10; k /= 10) ++n;
    return n;
}

bool HasSuffix(SynthesizerKind synthesizer, std::uint32_t k) {
    return IsXst(synthesizer) || (IsSynopsys(synthesizer) && k > 0);
}

// Whether `name`, standing alone on an INST line, is an instance of `component`.
bool IsInstanceOf(std::string_view name, std::string_view component, SynthesizerKind synthesizer) {
    // Appended piece by piece: GCC 12 at -O3 takes " " + name for an overlapping copy.
    std::string text(1, ' ');
    text.append(name);
    text += ' ';
    const std::string_view components[] = {component};
    return MatchInstanceName(text, 0, components, synthesizer, {false, true}).has_value();
}

}  // namespace

std::size_t SuffixLength(SynthesizerKind synthesizer, std::uint32_t k) {
    if (!HasSuffix(synthesizer, k)) return 0;
    return (IsSynopsys(synthesizer) ? 1 : 0) + DecimalLength(k);
}

char* WriteSuffix(char* out, SynthesizerKind synthesizer, std::uint32_t k) {
    if (!HasSuffix(synthesizer, k)) return out;
    if (IsSynopsys(synthesizer)) *out++ = '_';
    return std::to_chars(out, out + kLongestSuffix, k).ptr;
}

std::string InstanceName(std::string_view component, SynthesizerKind synthesizer, std::uint32_t k) {
    char suffix[kLongestSuffix];
    const char* end = WriteSuffix(suffix, synthesizer, k);
    return std::string(component).append(suffix, static_cast<std::size_t>(end - suffix));
}

std::optional<NameParts> SplitInstanceName(std::string_view name, SynthesizerKind synthesizer) {
    std::size_t digits = name.size();
    while (digits > 0 && IsDigit(static_cast<unsigned char>(name[digits - 1]))) --digits;
    // A leading zero belongs to the component ("ram00" is ram0's first instance under XST),
    // since no suffix is written with one.
    while (digits + 1 < name.size() && name[digits] == '0') ++digits;
    const bool suffixed = digits < name.size();
    if (IsXst(synthesizer)) {
        if (!suffixed || digits == 0) return std::nullopt;
    } else if (!IsSynopsys(synthesizer) || !suffixed || digits < 2 || name[digits - 1] != '_' ||
               name[digits] == '0') {
        return NameParts{name.size(), 0};
    }
    const std::size_t component = IsXst(synthesizer) ? digits : digits - 1;
    // Read back through the one grammar, which also gives the number.
    std::string text(1, ' ');
    text.append(name);
    text += ' ';
    const std::string_view components[] = {name.substr(0, component)};
    const std::optional<InstanceMatch> match =
        MatchInstanceName(text, 0, components, synthesizer, {});
    if (!match || match->nameEnd != text.size() - 1) {
        if (IsXst(synthesizer)) return std::nullopt;
        return NameParts{name.size(), 0};
    }
    return NameParts{component, match->Number(text)};
}

std::optional<InstanceToken> ReadInstanceToken(std::string_view text, std::size_t pos,
                                               bool quoted) {
    TextCursor cursor{text, pos};
    if (SkipBlanks(cursor) == 0 || cursor.pos >= text.size()) return std::nullopt;
    InstanceToken token;
    token.quoted = quoted && text[cursor.pos] == '"';
    token.nameStart = cursor.pos + (token.quoted ? 1 : 0);
    std::size_t at = token.nameStart;
    if (token.quoted) {
        while (at < text.size() && text[at] != '"' && text[at] != '\n') ++at;
        if (at >= text.size() || text[at] != '"' || at == token.nameStart) return std::nullopt;
        token.nameEnd = at;
        token.end = at + 1;
        return token;
    }
    while (at < text.size() && !IsBlank(static_cast<unsigned char>(text[at])) && text[at] != '\n')
        ++at;
    if (at >= text.size() || text[at] == '\n') return std::nullopt;
    token.nameEnd = at;
    cursor.pos = at;
    SkipBlanks(cursor);
    token.end = cursor.pos;
    return token;
}

std::optional<InstanceMatch> MatchInstanceName(std::string_view text, std::size_t pos,
                                               std::span<const std::string_view> components,
                                               SynthesizerKind synthesizer,
                                               const NameReading& reading,
                                               std::size_t firstComponent, std::size_t* reached) {
    InstanceMatch match;
    if (!InstanceNameMatcher(components, synthesizer, reading)
             .Match(text, pos, match, firstComponent, reached))
        return std::nullopt;
    return match;
}

InstanceNameMatcher::InstanceNameMatcher(std::span<const std::string_view> components,
                                         SynthesizerKind synthesizer, const NameReading& reading)
    : components_(components), synthesizer_(synthesizer), reading_(reading) {
    // A few names are quicker to test one by one than to look up.
    if (components.size() <= kFewNames) return;
    for (std::size_t i = 0; i < components.size(); ++i) {
        const std::string_view name = components[i];
        if (std::find(lengths_.begin(), lengths_.end(), name.size()) == lengths_.end())
            lengths_.push_back(name.size());
        byName_.emplace(NameHash(name.data(), name.size()), i);
    }
}

bool InstanceNameMatcher::Match(std::string_view text, std::size_t pos, InstanceMatch& match,
                                std::size_t firstComponent, std::size_t* reached) const {
    std::size_t furthest = pos;
    TextCursor cursor{text, pos};
    bool matched = false;
    if (SkipBlanks(cursor) > 0) {
        const bool quoted = reading_.quoted && cursor.pos < text.size() && text[cursor.pos] == '"';
        const std::size_t nameStart = cursor.pos + (quoted ? 1 : 0);
        furthest = nameStart;
        const auto test = [&](std::size_t i) {
            matched = MatchComponent(text, nameStart, quoted, components_[i], synthesizer_,
                                     reading_, match, furthest);
            if (matched) match.component = i;
        };
        if (lengths_.empty()) {
            for (std::size_t i = firstComponent; i < components_.size() && !matched; ++i) test(i);
        } else {
            // The components whose names stand at the cursor, tried in their order; should
            // more share a name's hash than there is room for, each in turn.
            std::array<std::size_t, 8> candidates;
            std::size_t count = 0;
            for (const std::size_t length : lengths_) {
                if (length > text.size() - nameStart) continue;
                const auto [first, last] =
                    byName_.equal_range(NameHash(text.data() + nameStart, length));
                for (auto it = first; it != last; ++it) {
                    if (it->second < firstComponent) continue;
                    if (count < candidates.size()) candidates[count] = it->second;
                    ++count;
                }
            }
            if (count > candidates.size()) {
                for (std::size_t i = firstComponent; i < components_.size() && !matched; ++i)
                    test(i);
            } else {
                std::sort(candidates.begin(), candidates.begin() + count);
                for (std::size_t i = 0; i < count && !matched; ++i) test(candidates[i]);
            }
        }
    }
    if (reached != nullptr) *reached = matched ? match.end : furthest;
    return matched;
}

std::uint64_t InstanceMatch::Number(std::string_view text) const {
    std::uint64_t number = 0;
    for (std::size_t i = digits; i < nameEnd; ++i)
        number = std::min(number * 10 + static_cast<unsigned>(text[i] - '0'), kLargestNumber);
    return number;
}

bool InstanceMatch::Written(std::string_view text, SynthesizerKind synthesizer) const {
    return digits == nameEnd || text[digits] != '0' ||
           (IsXst(synthesizer) && nameEnd == digits + 1);
}

bool InstanceNamesOverlap(std::string_view a, std::string_view b, SynthesizerKind synthesizer) {
    if (a.size() == b.size() && MatchesNoCase(a, 0, b)) return true;
    // Each one's first instance is the shortest of its names: if any name of one is a name of
    // the other, so is one of the two first names.
    return IsInstanceOf(InstanceName(a, synthesizer, 0), b, synthesizer) ||
           IsInstanceOf(InstanceName(b, synthesizer, 0), a, synthesizer);
}

std::optional<std::pair<std::size_t, std::size_t>> FindOverlappingComponents(
    std::span<const std::string_view> components, SynthesizerKind synthesizer) {
    for (std::size_t second = 1; second < components.size(); ++second) {
        for (std::size_t first = 0; first < second; ++first) {
            if (InstanceNamesOverlap(components[first], components[second], synthesizer))
                return std::pair{first, second};
        }
    }
    return std::nullopt;
}
