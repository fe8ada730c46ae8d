// Block RAM instance names: a component's name, then the suffix that its naming convention
// gives instance k (Synopsys: none for the first, then "_1", "_2", ...; XST: "0", "1", ...;
// no convention: none ever). The one grammar of them, for the lines that are written and for
// the lines that are read: the removal, --extract, the check that two components' names
// cannot meet and the warning about the other convention's lines all match names here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "conversion/core/synthesizer_kind.h"

// "_" and the ten digits of a 32-bit number.
inline constexpr std::size_t kLongestSuffix = 11;

// The suffix of instance `k` and its length; WriteSuffix needs room for kLongestSuffix bytes.
std::size_t SuffixLength(SynthesizerKind synthesizer, std::uint32_t k);
char* WriteSuffix(char* out, SynthesizerKind synthesizer, std::uint32_t k);
// The component and the suffix of instance `k`: "ram_2" for Synopsys, "ram2" for XST.
std::string InstanceName(std::string_view component, SynthesizerKind synthesizer, std::uint32_t k);

// The component and the instance number that `name` has under the convention, the inverse of
// InstanceName: "ram_2" is ram's instance 2 under Synopsys and "ram2" ram's under XST (a
// suffix as the convention writes it: no leading zero); a name without such a suffix is its
// own component's first instance under Synopsys and without a convention, and none under XST.
struct NameParts {
    std::size_t componentLength = 0;  // of `name`'s leading bytes
    std::uint64_t number = 0;
};
std::optional<NameParts> SplitInstanceName(std::string_view name, SynthesizerKind synthesizer);

// Which names count beyond the plain ones the dialog writes.
struct NameReading {
    // INST "NAME" ...: the same name and suffix inside double quotes, the closing quote right
    // after the suffix, as other tools and hand edits write them.
    bool quoted = false;
    // Without a naming convention, the component's name alone is its one instance. Otherwise
    // no name is an instance without a convention: the dialog's removal takes nothing then.
    bool exactWithoutConvention = false;
};

// One instance name found in a text.
struct InstanceMatch {
    std::size_t component = 0;  // the index of the component it belongs to
    std::size_t nameStart = 0;  // the name without its quotes
    std::size_t nameEnd = 0;
    std::size_t digits = 0;  // where the suffix's digits start; nameEnd when it has none
    std::size_t end = 0;     // after the blanks that end a plain name, or after the closing quote

    // The suffix's value (0 for the first instance), at most 2^40, in the text it was found in.
    std::uint64_t Number(std::string_view text) const;
    // Whether the convention writes the name so: not "ram_0", "ram_01" or "ram00".
    bool Written(std::string_view text, SynthesizerKind synthesizer) const;
};

// The instance name at `pos`, just after the INST keyword: at least one blank, an optional
// opening quote, one of `components` in any letter case, the convention's suffix, then a
// blank or the closing quote. The components are tried in order from `firstComponent`; the
// first that matches is taken. `reached`, when given, is set to the furthest position the
// test looked at, which tells a component holding a line feed where its line went on.
std::optional<InstanceMatch> MatchInstanceName(std::string_view text, std::size_t pos,
                                               std::span<const std::string_view> components,
                                               SynthesizerKind synthesizer,
                                               const NameReading& reading,
                                               std::size_t firstComponent = 0,
                                               std::size_t* reached = nullptr);

// Whatever instance name stands at `pos`, just after the INST keyword, when the components
// are not known: at least one blank, then a name in double quotes (with `quoted`), or one up
// to the blank that ends it, as MatchInstanceName reads them. None when no blank follows the
// keyword or the line ends inside the name.
struct InstanceToken {
    std::size_t nameStart = 0;  // without the quotes
    std::size_t nameEnd = 0;
    std::size_t end = 0;  // after the blanks that end a plain name, or after the closing quote
    bool quoted = false;
};
std::optional<InstanceToken> ReadInstanceToken(std::string_view text, std::size_t pos, bool quoted);

// The components' names prepared for matching the lines of a whole text: with many of them
// (a memory's lanes), a line is tested against the few whose names start it, found by their
// length and letters, rather than against each in turn. Matches as MatchInstanceName does.
class InstanceNameMatcher {
public:
    // `components` must outlive the matcher.
    InstanceNameMatcher(std::span<const std::string_view> components, SynthesizerKind synthesizer,
                        const NameReading& reading);
    // True with `match` filled in when a name matches.
    bool Match(std::string_view text, std::size_t pos, InstanceMatch& match,
               std::size_t firstComponent = 0, std::size_t* reached = nullptr) const;

private:
    std::span<const std::string_view> components_;
    SynthesizerKind synthesizer_;
    NameReading reading_;
    std::vector<std::size_t> lengths_;  // of the names, each once; empty: test each in turn
    std::unordered_multimap<std::uint64_t, std::size_t> byName_;  // a name's hash: its index
};

// Whether an instance name of one component can be an instance name of the other under the
// convention, letters compared without regard to case as the removal compares them: "ram" and
// "RAM" always, "ram" and "ram_2" for Synopsys (ram_2 is ram's third instance), "ram" and
// "ram1" for XST. Two lanes with such components would write one instance's lines twice, and
// the removal of one would take the other's lines.
bool InstanceNamesOverlap(std::string_view a, std::string_view b, SynthesizerKind synthesizer);
// The first pair of components (indexes first < second) whose names overlap; none when no
// two do.
std::optional<std::pair<std::size_t, std::size_t>> FindOverlappingComponents(
    std::span<const std::string_view> components, SynthesizerKind synthesizer);
