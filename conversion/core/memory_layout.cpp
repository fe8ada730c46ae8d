#include "conversion/core/memory_layout.h"

#include <algorithm>

#include "conversion/core/byte_classes.h"
#include "conversion/core/text_scanning.h"

namespace {

constexpr unsigned kWidths4k[] = {1, 2, 4, 8, 16};
constexpr unsigned kWidthsParity[] = {1, 2, 4, 8, 9, 16, 18, 32, 36};

std::span<const unsigned> AllowedWidths(std::uint32_t linesPerInstance) {
    if (linesPerInstance == kLinesPerInstance4k) return kWidths4k;
    if (IsLinesPerInstance(linesPerInstance)) return kWidthsParity;
    return {};
}

std::string SizeName(std::uint32_t linesPerInstance) {
    return linesPerInstance == kLinesPerInstance32k   ? "32k"
           : linesPerInstance == kLinesPerInstance16k ? "16k"
                                                      : "4k";
}

std::string Components(unsigned lanes) {
    return std::to_string(lanes) + (lanes == 1 ? " component" : " components");
}

// Whether `longer` is `shorter`, then the convention's suffix as the removal takes it: "_"
// and digits for Synopsys, digits for XST.
bool IsSuffixedName(std::string_view longer, std::string_view shorter,
                    SynthesizerKind synthesizer) {
    if (longer.size() <= shorter.size() || !MatchesNoCase(longer, 0, shorter)) return false;
    std::string_view rest = longer.substr(shorter.size());
    if (IsSynopsys(synthesizer)) {
        if (rest.front() != '_') return false;
        rest.remove_prefix(1);
    } else if (!IsXst(synthesizer)) {
        return false;
    }
    return !rest.empty() && std::all_of(rest.begin(), rest.end(), [](char c) {
        return IsDigit(static_cast<unsigned char>(c));
    });
}

}  // namespace

bool IsAllowedWidth(unsigned width, std::uint32_t linesPerInstance) {
    const std::span<const unsigned> widths = AllowedWidths(linesPerInstance);
    return std::find(widths.begin(), widths.end(), width) != widths.end();
}

std::string AllowedWidthsText(std::uint32_t linesPerInstance) {
    const std::span<const unsigned> widths = AllowedWidths(linesPerInstance);
    std::string text;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        if (i > 0) text += i + 1 == widths.size() ? " or " : ", ";
        text += std::to_string(widths[i]);
    }
    return text;
}

LayoutProblem CheckLayout(const MemoryLayout& layout) {
    if (!IsLinesPerInstance(layout.linesPerInstance)) return LayoutProblem::BadBlockRamSize;
    if (!IsAllowedWidth(layout.width, layout.linesPerInstance))
        return LayoutProblem::WidthNotAllowed;
    if (layout.lanes < 1 || layout.lanes > kMaxLanes) return LayoutProblem::LaneCount;
    if (WordBits(layout) > kMaxWordBits) return LayoutProblem::WordTooWide;
    return LayoutProblem::None;
}

LayoutProblem CheckByteLayout(const MemoryLayout& layout) {
    const LayoutProblem problem = CheckLayout(layout);
    if (problem != LayoutProblem::None) return problem;
    return WordBits(layout) % 8 == 0 ? LayoutProblem::None : LayoutProblem::NotWholeBytes;
}

std::string DescribeLayoutProblem(LayoutProblem problem, const MemoryLayout& layout) {
    const std::string width = "--width " + std::to_string(layout.width);
    switch (problem) {
        case LayoutProblem::None:
            return {};
        case LayoutProblem::BadBlockRamSize:
            return "--bram must be 4k, 16k or 32k";
        case LayoutProblem::WidthNotAllowed:
            return width + " is not a width of --bram " + SizeName(layout.linesPerInstance) + " (" +
                   AllowedWidthsText(layout.linesPerInstance) + ")";
        case LayoutProblem::LaneCount:
            return "--component is given " + std::to_string(layout.lanes) +
                   " times; a memory has 1 to " + std::to_string(kMaxLanes) + " components";
        case LayoutProblem::WordTooWide:
            return width + " with " + Components(layout.lanes) + " makes words of " +
                   std::to_string(WordBits(layout)) + " bits, more than " +
                   std::to_string(kMaxWordBits);
        case LayoutProblem::NotWholeBytes:
            return width + " with " + Components(layout.lanes) + " makes words of " +
                   std::to_string(WordBits(layout)) +
                   " bits, which are no whole bytes: such words come from a hex word file "
                   "(--format mem)";
    }
    return {};
}

bool InstanceNamesOverlap(std::string_view a, std::string_view b, SynthesizerKind synthesizer) {
    if (a.size() == b.size() && MatchesNoCase(a, 0, b)) return true;
    return IsSuffixedName(a, b, synthesizer) || IsSuffixedName(b, a, synthesizer);
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
