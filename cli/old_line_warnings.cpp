#include "cli/old_line_warnings.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "cli/ucf_listing.h"
#include "cli/unknown_options.h"
#include "conversion/core/byte_classes.h"
#include "conversion/core/init_attribute.h"
#include "conversion/core/memory_layout.h"

namespace {

// Names of other chains, the closest first, before the rest are counted.
constexpr std::size_t kNamedChains = 3;

// "4 instances (rom .. rom_3)", "1 instance (rom)", with `what` after the noun.
std::string Instances(std::uint64_t count, const std::string& first, const std::string& last,
                      const char* what = "") {
    std::string text = std::to_string(count);
    text.append(count == 1 ? " instance" : " instances").append(what).append(" (").append(first);
    if (count != 1) text.append(" .. ").append(last);
    return text.append(")");
}

// An image that needs another number of instances than the design's chain has: the new ones
// are instances the design may not have, the old ones beyond are left without contents.
void CheckInstances(const ComponentOutcome& component, std::vector<std::string>& warnings) {
    const ChainSummary& old = component.oldLines;
    const std::uint64_t written = component.instancesWritten;
    if (old.instances == 0 || written == 0 || written == old.instances) return;
    std::string text =
        component.component + ": " +
        Instances(written, component.firstInstance, component.lastInstance, " written");
    text.append(", where the UCF had ")
        .append(Instances(old.instances, old.firstName, old.lastName));
    if (written < old.instances) text += "; the others now have no INIT_xx lines";
    warnings.push_back(std::move(text));
}

// Old lines that the chosen block RAM size or width does not write: a design of another
// geometry.
void CheckGeometry(const CommandLine& commandLine, const ComponentOutcome& component,
                   std::vector<std::string>& warnings) {
    const ChainSummary& old = component.oldLines;
    if (old.instances == 0 || component.instancesWritten == 0) return;
    const MemoryLayout layout = LayoutOf(commandLine.options);
    const std::string bram = "--bram " + BlockRamSizeName(layout.linesPerInstance);
    const std::string start = component.component + ": the UCF's old lines ";
    const AttributeSpan& init = old.init;
    if (init.Any() && init.highest >= layout.linesPerInstance) {
        std::string text = start + "run to " + AttributeName(false, init.highest) + ", beyond ";
        text.append(bram).append("'s ").append(AttributeName(false, layout.linesPerInstance - 1));
        if (!old.fittingSizes.empty())
            text.append("; ").append(BramSizesText(old.fittingSizes)).append(" fits them");
        warnings.push_back(std::move(text));
    }
    const AttributeSpan& parity = old.initp;
    if (!parity.Any()) return;
    std::string span = AttributeName(true, parity.lowest);
    if (parity.highest != parity.lowest)
        span.append("..").append(AttributeName(true, parity.highest));
    if (ParityBits(layout.width) == 0) {
        std::string text = start + "hold " + span + ", but --width ";
        text.append(std::to_string(layout.width)).append(" has no parity bits (9, 18 and 36 have)");
        warnings.push_back(std::move(text));
    } else if (parity.highest >= ParityLinesPerInstance(layout)) {
        std::string text = start + "run to " + AttributeName(true, parity.highest) + ", beyond ";
        text.append(bram).append("'s ").append(
            AttributeName(true, ParityLinesPerInstance(layout) - 1));
        warnings.push_back(std::move(text));
    }
}

// A component whose name matches none of the chains that the UCF initialises: most often a
// misspelt name, which would add a second memory's lines beside the design's.
void CheckName(const ConversionOutcome& outcome, const ComponentOutcome& component,
               std::vector<std::string>& warnings) {
    if (component.oldLines.instances != 0 || component.otherConventionLines) return;
    const std::string name = FoldedAscii(component.component);
    std::vector<std::pair<std::size_t, std::string>> others;  // distance, name
    // The run's own components are no other names: a memory may gain a lane.
    std::vector<std::string> seen;
    for (const ComponentOutcome& own : outcome.components)
        seen.push_back(FoldedAscii(own.component));
    for (const std::string& chain : outcome.oldChains) {
        const std::string folded = FoldedAscii(chain);
        if (std::find(seen.begin(), seen.end(), folded) != seen.end()) continue;
        seen.push_back(folded);
        others.emplace_back(EditDistance(name, folded), chain);
    }
    if (others.empty()) return;
    std::stable_sort(others.begin(), others.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string text = "the UCF has no INIT_xx or INITP_xx lines of " + component.component;
    text += "; it has those of ";
    const std::size_t named = std::min(others.size(), kNamedChains);
    for (std::size_t i = 0; i < named; ++i) {
        if (i > 0) text += i + 1 == named && others.size() == named ? " and " : ", ";
        text += others[i].second;
    }
    if (others.size() > named)
        text.append(" and ").append(std::to_string(others.size() - named)).append(" more");
    if (others.size() > 1) text += " (the closest first)";
    warnings.push_back(std::move(text));
}

}  // namespace

std::vector<std::string> OldLineWarnings(const CommandLine& commandLine,
                                         const ConversionOutcome& outcome) {
    std::vector<std::string> warnings;
    for (const ComponentOutcome& component : outcome.components) {
        CheckInstances(component, warnings);
        CheckGeometry(commandLine, component, warnings);
        CheckName(outcome, component, warnings);
    }
    return warnings;
}
