// The removal for a memory of several components (lanes): every line of every given
// component's instances goes, INITP_xx lines like any other, one component after the other
// through the single component's removal (KeptUcfText), with the counts of each.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/core/lane_lines.h"
#include "conversion/core/memory_layout.h"
#include "conversion/core/synthesizer_kind.h"
#include "conversion/core/ucf_rewriter.h"

struct ComponentsKeptText {
    // The text without the components' instance lines and, when lines follow and it does not
    // end its last line, the "\r\n" that ends it (once, after the last component's pass).
    std::string text;
    std::vector<RemovalCounts> removed;  // per component, in the order given
};

// With one component exactly KeptUcfText. With more, component i's pass works on the text
// that the passes before it kept (each pass copies the text once), so its counts are of
// the lines it took itself.
ComponentsKeptText KeptUcfTextOfComponents(std::string_view ucfText,
                                           std::span<const std::string_view> components,
                                           SynthesizerKind synthesizer, bool linesFollow,
                                           const RemovalRules& rules = {});

// The counts of KeptUcfTextOfComponents without its text (the last pass only counts).
std::vector<RemovalCounts> CountRemovedLinesOfComponents(
    std::string_view ucfText, std::span<const std::string_view> components,
    SynthesizerKind synthesizer, const RemovalRules& rules = {});

// RewriteUcf for a memory in lanes, into memory: the kept text, then every lane's lines as
// StreamWideLines gives them. With width 8 and one component it equals RewriteUcf. Throws as
// LayOutLanes does, and std::length_error when the result cannot be held.
std::string RewriteUcfLanes(const WordImage& image, std::string_view ucfText,
                            std::span<const std::string_view> components,
                            SynthesizerKind synthesizer, const MemoryLayout& layout);
