#include "conversion/core/ucf_rewriter.h"

#include <stdexcept>
#include <vector>

#include "conversion/core/generated_line_stream.h"

std::string RewriteUcf(const std::uint8_t* data, std::uint32_t size, std::string_view ucfText,
                       std::string_view component, SynthesizerKind synthesizer,
                       std::uint32_t linesPerInstance) {
    const std::string_view components[] = {component};
    return RewriteUcf(LayOutLanes(WordImage::FromBytes(data, size), {linesPerInstance, 8, 1},
                                  components, synthesizer),
                      ucfText, RemovalRules{});
}

std::string RewriteUcf(const WideLines& lines, std::string_view ucfText,
                       const RemovalRules& rules) {
    std::vector<std::string_view> components;
    for (const LaneLines& lane : lines.lanes) components.push_back(lane.data.component);
    const SynthesizerKind synthesizer =
        lines.lanes.empty() ? SynthesizerKind::Synopsys : lines.lanes.front().data.synthesizer;
    const std::uint64_t generated = WideTextSize(lines);
    ComponentsKeptText kept =
        KeptUcfTextOfComponents(ucfText, components, synthesizer, generated > 0, rules);
    std::string out = std::move(kept.text);
    if (generated > out.max_size() - out.size())
        throw std::length_error("RewriteUcf: result too large");
    out.reserve(out.size() + static_cast<std::size_t>(generated));
    // The same blocks that a conversion run writes to the file, of a size that stays in the
    // processor's cache.
    StreamWideLines(lines, AppendingTo(out), kMemoryLineBlock);
    return out;
}
