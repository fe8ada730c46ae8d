#include "conversion/core/ucf_inventory.h"

#include <algorithm>
#include <bit>
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

// The span of the attributes whose bits are set.
AttributeSpan SpanOf(const std::array<std::uint64_t, 4>& present) {
    AttributeSpan span;
    for (std::uint32_t word = 0; word < present.size(); ++word) {
        const std::uint64_t bits = present[word];
        if (bits == 0) continue;
        if (span.count == 0)
            span.lowest = word * 64 + static_cast<std::uint32_t>(std::countr_zero(bits));
        span.highest = word * 64 + 63 - static_cast<std::uint32_t>(std::countl_zero(bits));
        span.count += static_cast<std::uint32_t>(std::popcount(bits));
    }
    return span;
}

}  // namespace

InstanceLines InstanceTally::Finished() const {
    InstanceLines done;
    done.name = name;
    done.lines = lines;
    done.quoted = quoted;
    done.plain = plain;
    done.init = SpanOf(init);
    done.initp = SpanOf(initp);
    return done;
}

namespace {

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
        InitLineRead line;
        line.line = number;
        std::size_t after = 0;
        if (!read(cursor.pos + kKeyword.size(), line, after)) continue;
        const std::optional<InitAttribute> attribute = MatchInitAttribute(text, after);
        if (!attribute || attribute->digits != 2) continue;
        line.parity = attribute->parity;
        line.attribute = InitAttributeNumber(text, *attribute);
        take(line);
    }
}

InitChain MakeChain(std::string component, SynthesizerKind synthesizer,
                    std::vector<std::pair<std::uint64_t, const InstanceTally*>> members) {
    InitChain chain;
    chain.component = std::move(component);
    chain.synthesizer = synthesizer;
    const auto byNumber = [](const auto& a, const auto& b) { return a.first < b.first; };
    if (!std::is_sorted(members.begin(), members.end(), byNumber))
        std::sort(members.begin(), members.end(), byNumber);
    chain.instances.reserve(members.size());
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
bool IsWrittenChain(const std::vector<std::pair<std::uint64_t, const InstanceTally*>>& members) {
    if (members.size() < 2) return false;
    std::vector<std::pair<std::uint64_t, const InstanceTally*>> sorted = members;
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

// The block RAM sizes that fit `count` instances in chain order, whose INIT_xx and INITP_xx
// spans `spansOf(i)` gives: every attribute within the size, every instance but the last
// with all of its INIT_xx lines, as a conversion writes them.
template <typename SpansOf>
std::vector<std::uint32_t> SizesThatFit(std::size_t count, SpansOf spansOf) {
    std::vector<std::uint32_t> sizes;
    for (const std::uint32_t lines :
         {kLinesPerInstance4k, kLinesPerInstance16k, kLinesPerInstance32k}) {
        // The parity widths are those of the larger block RAMs.
        const bool parity = IsAllowedWidth(9, lines);
        const std::uint32_t parityLines = ParityLinesPerInstance({lines, 9, 1});
        bool fits = count > 0;
        for (std::size_t i = 0; i < count && fits; ++i) {
            const auto [init, initp] = spansOf(i);
            if (init.Any() && init.highest >= lines) fits = false;
            if (initp.Any() && (!parity || initp.highest >= parityLines)) fits = false;
            if (i + 1 < count && init.count != lines) fits = false;
        }
        if (fits) sizes.push_back(lines);
    }
    return sizes;
}

// `span` widened to take in `more`; counts are the larger one's.
void Widen(AttributeSpan& span, const AttributeSpan& more) {
    if (!more.Any()) return;
    span.lowest = span.Any() ? std::min(span.lowest, more.lowest) : more.lowest;
    span.highest = std::max(span.highest, more.highest);
    span.count = std::max(span.count, more.count);
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
    return SizesThatFit(instances.size(), [this](std::size_t i) {
        return std::pair(instances[i].init, instances[i].initp);
    });
}

std::vector<InitChain> FindInitChains(std::string_view ucfText) {
    std::vector<InstanceTally> found;
    std::unordered_map<std::string, std::size_t> byName;  // folded, as the removal compares
    ForEachInitLine(
        ucfText,
        [ucfText](std::size_t pos, InitLineRead& line, std::size_t& after) {
            const std::optional<InstanceToken> token = ReadInstanceToken(ucfText, pos, true);
            if (!token) return false;
            line.name = ucfText.substr(token->nameStart, token->nameEnd - token->nameStart);
            line.quoted = token->quoted;
            after = token->end;
            return true;
        },
        [&](const InitLineRead& line) {
            const auto [at, added] = byName.emplace(FoldedAscii(line.name), found.size());
            if (added) found.emplace_back();
            found[at->second].Add(line);
        });

    using Members = std::vector<std::pair<std::uint64_t, const InstanceTally*>>;
    std::vector<bool> taken(found.size(), false);
    std::vector<InitChain> chains;
    // Groups of the names left under a convention, by their component (folded), in the order
    // of the names' first lines.
    const auto groups = [&](SynthesizerKind synthesizer) {
        std::map<std::string, Members> byComponent;
        std::vector<std::string> order;
        for (std::size_t i = 0; i < found.size(); ++i) {
            if (taken[i]) continue;
            const std::string_view name = found[i].name;
            const std::optional<NameParts> parts = SplitInstanceName(name, synthesizer);
            if (!parts || (IsSynopsys(synthesizer) && parts->number == 0)) continue;
            const std::string key = FoldedAscii(name.substr(0, parts->componentLength));
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
    const auto componentOf = [](const InstanceTally* member, SynthesizerKind synthesizer) {
        const std::string_view name = member->name;
        return std::string(name.substr(0, SplitInstanceName(name, synthesizer)->componentLength));
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
            anchored ? std::string(found[anchor->second].name)
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
                MakeChain(std::string(found[i].name), SynthesizerKind::Synopsys, {{0, &found[i]}}));
    }
    std::stable_sort(chains.begin(), chains.end(), [](const InitChain& a, const InitChain& b) {
        return a.firstLine < b.firstLine;
    });
    return chains;
}

InitChainCollector::InitChainCollector(std::size_t components, std::size_t expectedInstances)
    : lanes_(components) {
    for (Lane& lane : lanes_) {
        lane.tallies.reserve(expectedInstances);
        lane.numbers.reserve(expectedInstances);
    }
}

std::size_t InitChainCollector::Find(Lane& lane, std::uint64_t number) {
    const auto add = [&] {
        lane.numbers.push_back(number);
        lane.tallies.emplace_back();
        return lane.tallies.size() - 1;
    };
    if (lane.ordered) {
        if (lane.numbers.empty() || number > lane.numbers.back()) return add();
        const auto at = std::lower_bound(lane.numbers.begin(), lane.numbers.end(), number);
        if (*at == number) return static_cast<std::size_t>(at - lane.numbers.begin());
        // Out of order: from now on by the index.
        lane.ordered = false;
        for (std::size_t i = 0; i < lane.numbers.size(); ++i) lane.byNumber[lane.numbers[i]] = i;
    }
    const auto [at, added] = lane.byNumber.emplace(number, lane.tallies.size());
    if (added) add();
    return at->second;
}

std::vector<ChainSummary> InitChainCollector::Summaries() const {
    std::vector<ChainSummary> summaries;
    for (const Lane& lane : lanes_) {
        ChainSummary& summary = summaries.emplace_back();
        // The tallies in the order of their numbers.
        std::vector<std::size_t> order;
        if (!lane.ordered) {
            order.reserve(lane.tallies.size());
            for (const auto& [number, index] : lane.byNumber) order.push_back(index);
        }
        const auto at = [&](std::size_t i) -> const InstanceTally& {
            return lane.tallies[lane.ordered ? i : order[i]];
        };
        const std::size_t count = lane.tallies.size();
        summary.instances = count;
        if (count == 0) continue;
        summary.firstName = at(0).name;
        summary.lastName = at(count - 1).name;
        summary.fittingSizes = SizesThatFit(count, [&](std::size_t i) {
            const AttributeSpan init = SpanOf(at(i).init), initp = SpanOf(at(i).initp);
            Widen(summary.init, init);
            Widen(summary.initp, initp);
            return std::pair(init, initp);
        });
    }
    return summaries;
}

std::vector<InitChain> InitChainCollector::Chains(std::span<const std::string_view> components,
                                                  SynthesizerKind synthesizer) const {
    std::vector<InitChain> chains;
    for (std::size_t i = 0; i < components.size() && i < lanes_.size(); ++i) {
        const Lane& lane = lanes_[i];
        std::vector<std::pair<std::uint64_t, const InstanceTally*>> members;
        members.reserve(lane.tallies.size());
        for (std::size_t k = 0; k < lane.tallies.size(); ++k)
            members.emplace_back(lane.numbers[k], &lane.tallies[k]);
        chains.push_back(MakeChain(std::string(components[i]), synthesizer, std::move(members)));
    }
    return chains;
}

std::vector<InitChain> InitChainsOf(std::string_view ucfText,
                                    std::span<const std::string_view> components,
                                    SynthesizerKind synthesizer) {
    InitChainCollector collector(components.size());
    const InstanceNameMatcher names(components, synthesizer, kReading);
    InstanceMatch match;
    ForEachInitLine(
        ucfText,
        [&](std::size_t pos, InitLineRead& line, std::size_t& after) {
            if (!names.Match(ucfText, pos, match)) return false;
            line.name = ucfText.substr(match.nameStart, match.nameEnd - match.nameStart);
            line.quoted = ucfText[match.nameStart - 1] == '"';
            after = match.end;
            return true;
        },
        [&](const InitLineRead& line) {
            collector.Add(match.component, line, [&] { return match.Number(ucfText); });
        });
    return collector.Chains(components, synthesizer);
}
