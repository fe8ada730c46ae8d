#include "conversion/core/memory_layout.h"

#include <algorithm>
#include <span>

namespace {

constexpr unsigned kWidths4k[] = {1, 2, 4, 8, 16};
constexpr unsigned kWidthsParity[] = {1, 2, 4, 8, 9, 16, 18, 32, 36};

std::span<const unsigned> AllowedWidths(std::uint32_t linesPerInstance) {
    if (linesPerInstance == kLinesPerInstance4k) return kWidths4k;
    if (IsLinesPerInstance(linesPerInstance)) return kWidthsParity;
    return {};
}

bool WholeBytes(const MemoryLayout& layout) {
    return WordBits(layout) % 8 == 0;
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

std::string BlockRamSizeName(std::uint32_t linesPerInstance) {
    return linesPerInstance == kLinesPerInstance32k   ? "32k"
           : linesPerInstance == kLinesPerInstance16k ? "16k"
                                                      : "4k";
}

LayoutProblem CheckLayout(const MemoryLayout& layout) {
    if (!IsLinesPerInstance(layout.linesPerInstance)) return LayoutProblem::BadBlockRamSize;
    if (!IsAllowedWidth(layout.width, layout.linesPerInstance))
        return LayoutProblem::WidthNotAllowed;
    if (layout.lanes < 1 || layout.lanes > kMaxLanes) return LayoutProblem::LaneCount;
    if (WordBits(layout) > kMaxWordBits) return LayoutProblem::WordTooWide;
    return LayoutProblem::None;
}

LayoutProblem CheckSourceLayout(const MemoryLayout& layout, bool hexWords, unsigned swapWidth) {
    const LayoutProblem problem = CheckLayout(layout);
    if (problem != LayoutProblem::None || WholeBytes(layout)) return problem;
    if (swapWidth > 1) return LayoutProblem::SwapNotWholeBytes;
    return hexWords ? LayoutProblem::None : LayoutProblem::NotWholeBytes;
}

LayoutProblem CheckExtractedLayout(const MemoryLayout& layout, bool hexWords, unsigned swapWidth) {
    const LayoutProblem problem = CheckLayout(layout);
    if (problem != LayoutProblem::None) return problem;
    if (!hexWords && !WholeBytes(layout)) return LayoutProblem::NotWholeBytes;
    if (hexWords && swapWidth > 1) return LayoutProblem::HexWordsSwapped;
    return LayoutProblem::None;
}
