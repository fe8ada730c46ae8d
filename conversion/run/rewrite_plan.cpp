#include "conversion/run/rewrite_plan.h"

#include <algorithm>
#include <optional>

#include "conversion/core/instance_names.h"
#include "conversion/run/old_lines.h"

RewritePlan PlanRewrite(std::string_view oldText, const WideLines& lines,
                        const ConversionOptions& options) {
    RewritePlan plan;
    const std::uint64_t linesSize = WideTextSize(lines);
    const std::vector<std::string_view> components = LaneComponents(lines);
    const SynthesizerKind synthesizer = lines.lanes.front().data.synthesizer;
    // What the old lines held comes from the removal's own walk: no second one. A
    // reconversion most often finds as many instances as it writes.
    InitChainCollector chains(options.removalDetails ? components.size() : 0,
                              options.removalDetails
                                  ? static_cast<std::size_t>(LaneInstanceCount(lines.lanes.front()))
                                  : 0);
    plan.kept =
        KeptUcfTextOfComponents(oldText, components, synthesizer, linesSize > 0, options.removal,
                                options.removalDetails ? &chains : nullptr);
    if (options.removalDetails) plan.oldChains = chains.Summaries();
    plan.newSize = plan.kept.text.size() + linesSize;
    plan.from = FirstDifference(oldText, plan.kept.text, lines);
    plan.unchanged = plan.from == oldText.size() && plan.newSize == oldText.size();
    if (!plan.unchanged && options.linesInPlaceAreUnchanged &&
        HoldsLinesInPlace(oldText, plan.kept.text, lines)) {
        plan.linesInPlace = plan.unchanged = true;
        plan.from = plan.newSize = oldText.size();
    }
    return plan;
}

bool HoldsLinesInPlace(std::string_view oldText, std::string_view kept, const WideLines& lines) {
    const std::uint64_t linesSize = WideTextSize(lines);
    if (linesSize == 0 || kept.size() + linesSize != oldText.size()) return false;
    // The block would start where the kept text first differs, at that line's start.
    const auto common = static_cast<std::size_t>(
        std::mismatch(kept.begin(), kept.end(), oldText.begin()).first - kept.begin());
    const std::size_t lineFeed = oldText.find_last_of('\n', common == 0 ? 0 : common - 1);
    const std::size_t at = common == 0 || lineFeed == std::string_view::npos ? 0 : lineFeed + 1;
    const auto after = static_cast<std::size_t>(at + linesSize);
    if (oldText.substr(after) != kept.substr(at)) return false;
    // In small blocks: most often the first line already differs.
    constexpr std::size_t kComparedBlock = std::size_t{16} << 10;
    std::size_t next = at;
    return StreamWideLines(
        lines,
        [&](const char* text, std::size_t size) {
            const bool same = oldText.compare(next, size, std::string_view(text, size)) == 0;
            next += size;
            return same;
        },
        kComparedBlock);
}

// Plan: the generated lines are compared while they match, so a reconversion of the same data
// writes nothing.
std::uint64_t FirstDifference(std::string_view oldText, std::string_view kept,
                              const WideLines& lines) {
    const std::size_t comparable = std::min(oldText.size(), kept.size());
    const auto common = static_cast<std::size_t>(
        std::mismatch(kept.begin(), kept.begin() + comparable, oldText.begin()).first -
        kept.begin());
    if (common < kept.size()) return common;
    std::uint64_t at = kept.size();
    StreamWideLines(lines, [&](const char* text, std::size_t size) {
        const std::size_t left =
            at < oldText.size() ? static_cast<std::size_t>(oldText.size() - at) : 0;
        const std::size_t n = std::min(size, left);
        const char* old = oldText.data() + at;
        const auto same = static_cast<std::size_t>(std::mismatch(text, text + n, old).first - text);
        at += same;
        return same == size;
    });
    return at;
}

bool StreamNewText(std::string_view kept, const WideLines& lines, std::uint64_t from,
                   const LineBlockSink& sink, std::size_t blockBytes) {
    if (from < kept.size()) {
        const auto start = static_cast<std::size_t>(from);
        if (!sink(kept.data() + start, kept.size() - start)) return false;
    }
    std::uint64_t skip = from > kept.size() ? from - kept.size() : 0;
    return StreamWideLines(
        lines,
        [&](const char* text, std::size_t size) {
            if (skip >= size) {
                skip -= size;
                return true;
            }
            const auto skipped = static_cast<std::size_t>(skip);
            skip = 0;
            return sink(text + skipped, size - skipped);
        },
        blockBytes);
}

std::vector<std::string_view> LaneComponents(const WideLines& lines) {
    std::vector<std::string_view> components;
    for (const LaneLines& lane : lines.lanes) components.push_back(lane.data.component);
    return components;
}

void RecordRemoval(std::string_view ucfText, std::span<const std::string_view> components,
                   SynthesizerKind synthesizer, RewritePlan& plan, bool details,
                   const RemovalRules& rules, ConversionOutcome& outcome) {
    const std::vector<RemovalCounts>& removed = plan.kept.removed;
    std::vector<std::string_view> noneRemoved;  // whose lines of the other naming matter
    std::vector<std::size_t> which;
    for (std::size_t i = 0; i < removed.size() && i < outcome.components.size(); ++i) {
        ComponentOutcome& component = outcome.components[i];
        component.linesRemoved = removed[i].removedLines;
        component.linesKept = removed[i].keptLines;
        component.otherLinesRemoved = details ? removed[i].removedOtherLines : 0;
        component.otherConventionLines = false;
        if (removed[i].removedLines == 0) {
            noneRemoved.push_back(components[i]);
            which.push_back(i);
        }
    }
    if (details) RecordOldLines(ucfText, std::move(plan.oldChains), outcome);
    if (!details || !HasNamingConvention(synthesizer) || noneRemoved.empty()) return;
    const SynthesizerKind other =
        IsXst(synthesizer) ? SynthesizerKind::Synopsys : SynthesizerKind::Xst;
    // One walk for all of them, unless their names meet under the other naming, where a line
    // would count for the first of them only.
    const bool apart = !FindOverlappingComponents(noneRemoved, other).has_value();
    for (std::size_t j = 0; j < noneRemoved.size(); ++j) {
        if (apart && j > 0) break;
        const std::span<const std::string_view> names =
            apart ? std::span<const std::string_view>(noneRemoved) : std::span(&noneRemoved[j], 1);
        const std::vector<RemovalCounts> counts = CountRemovedLines(ucfText, names, other, rules);
        for (std::size_t k = 0; k < counts.size(); ++k)
            outcome.components[which[apart ? k : j]].otherConventionLines =
                counts[k].removedLines > 0;
    }
}
