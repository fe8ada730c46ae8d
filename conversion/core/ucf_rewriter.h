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

// How the removal tells the component's lines. The defaults are the dialog's removal: every
// line of an instance, named without quotes.
struct RemovalRules {
    // Only the INIT_xx and INITP_xx lines of the component's instances go; their other lines
    // (a placement such as LOC or RLOC, any other attribute) stay where they are.
    bool keepPlacements = false;
    // INST "NAME..." is the instance too: the same name and suffix inside the quotes, the
    // closing quote right after the suffix.
    bool quotedNames = false;
};

// The first part of RewriteUcf's result: the text without the component's instance lines
// and, when lines follow and the kept text does not end its last line, the "\r\n" that ends
// it; with the number of lines taken out.
struct KeptText {
    std::string text;
    std::uint64_t removedLines = 0;
    // Of those, the lines that are no INIT_xx constraint ("INST ram_1 LOC = ...;"): the
    // removal takes every line of an instance, and a caller may want to say so.
    std::uint64_t removedOtherLines = 0;
    // With RemovalRules::keepPlacements, the instances' lines that stayed.
    std::uint64_t keptLines = 0;
};
KeptText KeptUcfText(std::string_view ucfText, std::string_view component,
                     SynthesizerKind synthesizer, bool linesFollow, const RemovalRules& rules = {});

std::string RewriteUcf(const std::uint8_t* data, std::uint32_t size, std::string_view ucfText,
                       std::string_view component, SynthesizerKind synthesizer,
                       std::uint32_t linesPerInstance = kLinesPerInstance4k);
// The same for lines described in full (quoted names, for one) and a removal by `rules`.
std::string RewriteUcf(const GeneratedLines& lines, std::string_view ucfText,
                       const RemovalRules& rules);

// The counts of KeptUcfText without the text, for a look at what a removal would take.
struct RemovalCounts {
    std::uint64_t removedLines = 0;
    std::uint64_t removedOtherLines = 0;
    std::uint64_t keptLines = 0;
};
RemovalCounts CountRemovedLines(std::string_view ucfText, std::string_view component,
                                SynthesizerKind synthesizer, const RemovalRules& rules = {});
