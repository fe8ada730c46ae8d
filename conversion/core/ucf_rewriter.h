// The block RAM constraint rewriter: removes a component's INST lines from UCF text and
// appends INIT lines holding the given bytes. The conversion run uses the same two pieces,
// the kept text and the streamed lines, without holding the new text whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "conversion/core/generated_lines.h"
#include "conversion/core/synthesizer_kind.h"

// The first part of RewriteUcf's result: the text without the component's instance lines
// and, when lines follow and the kept text does not end its last line, the "\r\n" that ends
// it; with the number of lines taken out.
struct KeptText {
    std::string text;
    std::uint64_t removedLines = 0;
    // Of those, the lines that are no INIT_xx constraint ("INST ram_1 LOC = ...;"): the
    // removal takes every line of an instance, and a caller may want to say so.
    std::uint64_t removedOtherLines = 0;
};
KeptText KeptUcfText(std::string_view ucfText, std::string_view component,
                     SynthesizerKind synthesizer, bool linesFollow);

std::string RewriteUcf(const std::uint8_t* data, std::uint32_t size, std::string_view ucfText,
                       std::string_view component, SynthesizerKind synthesizer,
                       std::uint32_t linesPerInstance = kLinesPerInstance4k);

// The counts of KeptUcfText without the text, for a look at what a removal would take.
struct RemovalCounts {
    std::uint64_t removedLines = 0;
    std::uint64_t removedOtherLines = 0;
};
RemovalCounts CountRemovedLines(std::string_view ucfText, std::string_view component,
                                SynthesizerKind synthesizer);
