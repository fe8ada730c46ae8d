#include "conversion/core/instance_names.h"

#include <algorithm>
#include <charconv>

#include "conversion/core/byte_classes.h"
#include "conversion/core/text_scanning.h"

namespace {

// Far past the instances of any image; larger suffixes read as this.
constexpr std::uint64_t kLargestNumber = std::uint64_t{1} << 40;

std::size_t DecimalLength(std::uint32_t k) {
    std::size_t n = 1;
    for (; k >= 10; k /= 10) ++n;
    return n;
}

bool HasSuffix(SynthesizerKind synthesizer, std::uint32_t k) {
    return IsXst(synthesizer) || (IsSynopsys(synthesizer) && k > 0);
}

// One component's name at `at`, the byte after the blanks and an opening quote (`quoted`).
std::optional<InstanceMatch> MatchComponent(std::string_view text, std::size_t at, bool quoted,
                                            std::string_view component, SynthesizerKind synthesizer,
                                            const NameReading& reading, std::size_t& reached) {
    TextCursor cursor{text, at};
    const auto fail = [&]() -> std::optional<InstanceMatch> {
        reached = std::max(reached, cursor.pos);
        return std::nullopt;
    };
    if (!MatchesNoCase(text, cursor.pos, component)) return fail();
    cursor.pos += component.size();
    InstanceMatch match;
    match.nameStart = at;
    // What ends the name: blanks, passed over, or the closing quote.
    const auto ended = [&]() -> std::optional<InstanceMatch> {
        match.nameEnd = cursor.pos;
        if (!quoted) {
            if (SkipBlanks(cursor) == 0) return fail();
        } else {
            if (cursor.pos >= text.size() || text[cursor.pos] != '"') return fail();
            ++cursor.pos;
        }
        match.end = cursor.pos;
        reached = std::max(reached, cursor.pos);
        return match;
    };
    const auto endsHere = [&] {
        const auto c = static_cast<unsigned char>(text[cursor.pos]);
        return quoted ? c == '"' : IsBlank(c);
    };

    if (!HasNamingConvention(synthesizer)) {
        // The name alone, when it counts at all.
        if (!reading.exactWithoutConvention || cursor.pos >= text.size() || !endsHere())
            return fail();
        return ended();
    }
    if (IsSynopsys(synthesizer)) {
        if (cursor.pos >= text.size()) return fail();
        if (endsHere()) return ended();  // the first instance
        if (text[cursor.pos] != '_') return fail();
        ++cursor.pos;
    }
    const std::size_t digits = cursor.pos;
    if (TakeDigits(cursor) == 0) return fail();
    for (std::size_t i = digits; i < cursor.pos; ++i)
        match.number =
            std::min(match.number * 10 + static_cast<unsigned>(text[i] - '0'), kLargestNumber);
    match.written = text[digits] != '0' || (IsXst(synthesizer) && cursor.pos == digits + 1);
    return ended();
}

// Whether `name`, standing alone on an INST line, is an instance of `component`.
bool IsInstanceOf(std::string_view name, std::string_view component, SynthesizerKind synthesizer) {
    const std::string text = " " + std::string(name) + " ";
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

std::optional<InstanceMatch> MatchInstanceName(std::string_view text, std::size_t pos,
                                               std::span<const std::string_view> components,
                                               SynthesizerKind synthesizer,
                                               const NameReading& reading,
                                               std::size_t firstComponent, std::size_t* reached) {
    std::size_t furthest = pos;
    TextCursor cursor{text, pos};
    std::optional<InstanceMatch> match;
    if (SkipBlanks(cursor) > 0) {
        const bool quoted = reading.quoted && cursor.pos < text.size() && text[cursor.pos] == '"';
        const std::size_t nameStart = cursor.pos + (quoted ? 1 : 0);
        furthest = nameStart;
        for (std::size_t i = firstComponent; i < components.size() && !match; ++i) {
            match = MatchComponent(text, nameStart, quoted, components[i], synthesizer, reading,
                                   furthest);
            if (match) match->component = i;
        }
    }
    if (reached != nullptr) *reached = match ? match->end : furthest;
    return match;
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
