#include "conversion/core/components_removal.h"

#include <stdexcept>

namespace {

constexpr std::string_view kSeparator = "\r\n";

RemovalCounts CountsOf(const KeptText& kept) {
    return {kept.removedLines, kept.removedOtherLines, kept.keptLines};
}

}  // namespace

ComponentsKeptText KeptUcfTextOfComponents(std::string_view ucfText,
                                           std::span<const std::string_view> components,
                                           SynthesizerKind synthesizer, bool linesFollow,
                                           const RemovalRules& rules) {
    ComponentsKeptText result;
    if (components.size() == 1) {
        KeptText kept = KeptUcfText(ucfText, components[0], synthesizer, linesFollow, rules);
        result.removed.push_back(CountsOf(kept));
        result.text = std::move(kept.text);
        return result;
    }
    result.text.assign(ucfText);
    for (const std::string_view component : components) {
        KeptText kept = KeptUcfText(result.text, component, synthesizer, false, rules);
        result.removed.push_back(CountsOf(kept));
        result.text = std::move(kept.text);
    }
    // Without a line feed before it, the first new line would continue the user's last line.
    if (linesFollow && !result.text.empty() && result.text.back() != '\n')
        result.text.append(kSeparator);
    return result;
}

std::vector<RemovalCounts> CountRemovedLinesOfComponents(
    std::string_view ucfText, std::span<const std::string_view> components,
    SynthesizerKind synthesizer, const RemovalRules& rules) {
    std::vector<RemovalCounts> counts;
    if (components.empty()) return counts;
    std::string earlier;  // the text the passes before the last one kept
    if (components.size() > 1) {
        ComponentsKeptText kept = KeptUcfTextOfComponents(
            ucfText, components.first(components.size() - 1), synthesizer, false, rules);
        counts = std::move(kept.removed);
        earlier = std::move(kept.text);
        ucfText = earlier;
    }
    counts.push_back(CountRemovedLines(ucfText, components.back(), synthesizer, rules));
    return counts;
}

std::string RewriteUcfLanes(const WordImage& image, std::string_view ucfText,
                            std::span<const std::string_view> components,
                            SynthesizerKind synthesizer, const MemoryLayout& layout) {
    const WideLines lines = LayOutLanes(image, layout, components, synthesizer);
    const std::uint64_t generated = WideTextSize(lines);
    ComponentsKeptText kept =
        KeptUcfTextOfComponents(ucfText, components, synthesizer, generated > 0);
    std::string out = std::move(kept.text);
    if (generated > out.max_size() - out.size())
        throw std::length_error("RewriteUcfLanes: result too large");
    out.reserve(out.size() + static_cast<std::size_t>(generated));
    StreamWideLines(lines, AppendingTo(out), kMemoryLineBlock);
    return out;
}
