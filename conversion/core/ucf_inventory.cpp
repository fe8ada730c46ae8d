#include "conversion/core/ucf_inventory.h"

#include <algorithm>
#include <bitset>
#include <map>
#include <optional>
#include <unordered_map>

#include "conversion/core/byte_classes.h"
#include "conversion/core/generated_lines.h"
#include "conversion/core/init_attribute.h"
#include "conversion/core/instance_names.h"
#include "conversion/core/memory_layout.h"
#include "conversion/core/text_scanning.h"

namespace {

constexpr std::string_view kKeyword = "INST";
// Names as the command line's removal reads them.
constexpr NameReading kReading{true, true};

// One INIT_xx or INITP_xx line: its instance's name and its attribute.
struct InitLine {
    std::uint64_t line = 0;  // from 1
    std::string_view name;
    bool quoted = false;
    bool parity = false;
    std::uint32_t attribute = 0;
};

// An instance's lines as they are found.
struct Found {
    InstanceLines lines;
    std::bitset<256> init, initp;
    std::uint64_t firstLine = 0;

    void Add(const InitLine& line) {
        if (lines.lines++ == 0) {
            lines.name = line.name;
            firstLine = line.line;
        }
        (line.quoted ? lines.quoted : lines.plain) = true;
        (line.parity ? initp : init).set(line.attribute);
    }
    InstanceLines Finished() const {
        InstanceLines done = lines;
        done.init = Span(init);
        done.initp = Span(initp);
        return done;
    }
    static AttributeSpan Span(const std::bitset<256>& present) {
        AttributeSpan span;
        for (std::uint32_t i = 0; i < present.size(); ++i) {
            if (!present[i]) continue;
            if (span.count++ == 0) span.lowest = i;
            span.highest = i;
        }
        return span;
    }
};

// The attribute's number from its two hex digits.
std::uint32_t AttributeNumber(std::string_view text, const InitAttribute& attribute) {
    return static_cast<std::uint32_t>(HexDigitValue(text[attribute.digitsAt]) << 4 |
                                      HexDigitValue(text[attribute.digitsAt + 1]));
}

// Calls `take` for every line that starts with the keyword and whose instance name `read`
// finds (giving where the attribute may start) and that is an INIT_xx or INITP_xx constraint.
template <typename ReadName, typename Take>
void ForEachInitLine(std::string_view text, ReadName read, Take take) {
    std::uint64_t number = 0;
    for (std::size_t start = 0; start < text.size(); start = NextLineStart(text, start)) {
        ++number;
        TextCursor cursor{text, start};
        SkipBlanks(cursor);
        if (!MatchesNoCase(text, cursor.pos, kKeyword)) continue;
        InitLine line;
        line.line = number;
        std::size_t after = 0;
        if (!read(cursor.pos + kKeyword.size(), line, after)) continue;
        const std::optional<InitAttribute> attribute = MatchInitAttribute(text, after);
        if (!attribute || attribute->digits != 2) continue;
        line.parity = attribute->parity;
        line.attribute = AttributeNumber(text, *attribute);
        take(line);
    }
}

std::string Folded(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) c = static_cast<char>(FoldAscii(static_cast<unsigned char>(c)));
    return folded;
}

InitChain MakeChain(std::string component, SynthesizerKind synthesizer,
                    std::vector<std::pair<std::uint64_t, const Found*>> members) {
    InitChain chain;
    chain.component = std::move(component);
    chain.synthesizer = synthesizer;
    std::sort(members.begin(), members.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [number, found] : members) {
        InstanceLines instance = found->Finished();
        instance.number = number;
        chain.instances.push_back(std::move(instance));
        if (chain.firstLine == 0 || found->firstLine < chain.firstLine)
            chain.firstLine = found->firstLine;
    }
    return chain;
}

// Whether names of the XST form make a chain as a conversion writes one: numbered from 0
// without a gap, every instance but the last holding a whole block RAM's INIT_xx lines.
bool IsWrittenChain(const std::vector<std::pair<std::uint64_t, const Found*>>& members) {
    if (members.size() < 2) return false;
    std::vector<std::pair<std::uint64_t, const Found*>> sorted = members;
    std::sort(sorted.begin(), sorted.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    const InstanceLines first = sorted.front().second->Finished();
    const std::uint32_t lines = first.init.highest + 1;
    if (first.init.count != lines || !IsLinesPerInstance(lines)) return false;
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        if (sorted[i].first != i) return false;
        const InstanceLines instance = sorted[i].second->Finished();
        if (i + 1 < sorted.size() && (instance.init.count != first.init.count ||
                                      instance.init.highest != first.init.highest))
            return false;
    }
    return true;
}

}  // namespace

NameQuoting InitChain::Quoting() const {
    bool quoted = false, plain = false;
    for (const InstanceLines& instance : instances) {
        quoted |= instance.quoted;
        plain |= instance.plain;
    }
    if (quoted && plain) return NameQuoting::Mixed;
    return quoted ? NameQuoting::Quoted : NameQuoting::Plain;
}

bool InitChain::HasParity() const {
    return std::any_of(instances.begin(), instances.end(),
                       [](const InstanceLines& instance) { return instance.initp.Any(); });
}

std::vector<std::uint32_t> InitChain::FittingSizes() const {
    std::vector<std::uint32_t> sizes;
    for (const std::uint32_t lines :
         {kLinesPerInstance4k, kLinesPerInstance16k, kLinesPerInstance32k}) {
        // The parity widths are those of the larger block RAMs.
        const bool parity = IsAllowedWidth(9, lines);
        const std::uint32_t parityLines = ParityLinesPerInstance({lines, 9, 1});
        bool fits = !instances.empty();
        for (std::size_t i = 0; i < instances.size() && fits; ++i) {
            const InstanceLines& instance = instances[i];
            if (instance.init.Any() && instance.init.highest >= lines) fits = false;
            if (instance.initp.Any() && (!parity || instance.initp.highest >= parityLines))
                fits = false;
            if (i + 1 < instances.size() && instance.init.count != lines) fits = false;
        }
        if (fits) sizes.push_back(lines);
    }
    return sizes;
}

std::vector<InitChain> FindInitChains(std::string_view ucfText) {
    std::vector<Found> found;
    std::unordered_map<std::string, std::size_t> byName;  // folded, as the removal compares
    ForEachInitLine(
        ucfText,
        [ucfText](std::size_t pos, InitLine& line, std::size_t& after) {
            const std::optional<InstanceToken> token = ReadInstanceToken(ucfText, pos, true);
            if (!token) return false;
            line.name = ucfText.substr(token->nameStart, token->nameEnd - token->nameStart);
            line.quoted = token->quoted;
            after = token->end;
            return true;
        },
        [&](const InitLine& line) {
            const auto [at, added] = byName.emplace(Folded(line.name), found.size());
            if (added) found.emplace_back();
            found[at->second].Add(line);
        });

    using Members = std::vector<std::pair<std::uint64_t, const Found*>>;
    std::vector<bool> taken(found.size(), false);
    std::vector<InitChain> chains;
    // Groups of the names left under a convention, by their component (folded), in the order
    // of the names' first lines.
    const auto groups = [&](SynthesizerKind synthesizer) {
        std::map<std::string, Members> byComponent;
        std::vector<std::string> order;
        for (std::size_t i = 0; i < found.size(); ++i) {
            if (taken[i]) continue;
            const std::string& name = found[i].lines.name;
            const std::optional<NameParts> parts = SplitInstanceName(name, synthesizer);
            if (!parts || (IsSynopsys(synthesizer) && parts->number == 0)) continue;
            const std::string key =
                Folded(std::string_view(name).substr(0, parts->componentLength));
            if (byComponent.find(key) == byComponent.end()) order.push_back(key);
            byComponent[key].emplace_back(parts->number, &found[i]);
        }
        std::vector<std::pair<std::string, Members>> ordered;
        for (const std::string& key : order) ordered.emplace_back(key, byComponent[key]);
        return ordered;
    };
    const auto left = [&](Members members) {
        std::erase_if(members, [&](const auto& member) {
            return taken[static_cast<std::size_t>(member.second - found.data())];
        });
        return members;
    };
    const auto take = [&](const Members& members) {
        for (const auto& member : members)
            taken[static_cast<std::size_t>(member.second - found.data())] = true;
    };
    const auto componentOf = [](const Found* member, SynthesizerKind synthesizer) {
        const std::string& name = member->lines.name;
        return name.substr(0, SplitInstanceName(name, synthesizer)->componentLength);
    };

    for (auto& [key, group] : groups(SynthesizerKind::Synopsys)) {
        // A name taken as another chain's first instance is not this one's.
        Members members = left(group);
        if (members.empty()) continue;
        const auto anchor = byName.find(key);
        const bool anchored = anchor != byName.end() && !taken[anchor->second];
        if (!anchored && members.size() < 2) continue;
        if (anchored) members.emplace_back(0, &found[anchor->second]);
        const std::string component =
            anchored ? found[anchor->second].lines.name
                     : componentOf(members.front().second, SynthesizerKind::Synopsys);
        take(members);
        chains.push_back(MakeChain(component, SynthesizerKind::Synopsys, members));
    }
    for (auto& [key, members] : groups(SynthesizerKind::Xst)) {
        if (!IsWrittenChain(members)) continue;
        take(members);
        chains.push_back(MakeChain(componentOf(members.front().second, SynthesizerKind::Xst),
                                   SynthesizerKind::Xst, members));
    }
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (!taken[i])
            chains.push_back(
                MakeChain(found[i].lines.name, SynthesizerKind::Synopsys, {{0, &found[i]}}));
    }
    std::stable_sort(chains.begin(), chains.end(), [](const InitChain& a, const InitChain& b) {
        return a.firstLine < b.firstLine;
    });
    return chains;
}

std::vector<InitChain> InitChainsOf(std::string_view ucfText,
                                    std::span<const std::string_view> components,
                                    SynthesizerKind synthesizer) {
    // Per component, its instances by number.
    std::vector<std::map<std::uint64_t, Found>> lanes(components.size());
    const InstanceNameMatcher names(components, synthesizer, kReading);
    InstanceMatch match;
    ForEachInitLine(
        ucfText,
        [&](std::size_t pos, InitLine& line, std::size_t& after) {
            if (!names.Match(ucfText, pos, match)) return false;
            line.name = ucfText.substr(match.nameStart, match.nameEnd - match.nameStart);
            line.quoted = ucfText[match.nameStart - 1] == '"';
            after = match.end;
            return true;
        },
        [&](const InitLine& line) { lanes[match.component][match.Number(ucfText)].Add(line); });
    std::vector<InitChain> chains;
    for (std::size_t i = 0; i < components.size(); ++i) {
        std::vector<std::pair<std::uint64_t, const Found*>> members;
        for (const auto& [number, instance] : lanes[i]) members.emplace_back(number, &instance);
        chains.push_back(MakeChain(std::string(components[i]), synthesizer, members));
    }
    return chains;
}
