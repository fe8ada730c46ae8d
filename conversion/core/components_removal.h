// The removal: the lines of the instances of a memory's components taken out of UCF text (for
// one component, the dialog's; for several, a memory's lanes), in one walk over the text.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/core/synthesizer_kind.h"
#include "conversion/core/ucf_inventory.h"

// How the removal tells the components' lines. The defaults are the dialog's removal: every
// line of an instance, named without quotes; nothing without a naming convention.
struct RemovalRules {
    // Only the INIT_xx and INITP_xx lines of the instances go; their other lines (a placement
    // such as LOC or RLOC, any other attribute) stay where they are.
    bool keepPlacements = false;
    // INST "NAME..." is the instance too: the same name and suffix inside the quotes, the
    // closing quote right after the suffix.
    bool quotedNames = false;
    // Without a naming convention the INIT_xx and INITP_xx lines of the component's own name
    // go, so that converting again replaces them.
    bool exactNameWithoutConvention = false;
};

// What the removal took of one component's lines.
struct RemovalCounts {
    std::uint64_t removedLines = 0;
    // Of those, the lines that are no INIT_xx or INITP_xx constraint ("INST ram_1 LOC = ...;"):
    // the removal takes every line of an instance, and a caller may want to say so.
    std::uint64_t removedOtherLines = 0;
    // The lines of its instances that the rules kept in place.
    std::uint64_t keptLines = 0;
};

struct ComponentsKeptText {
    // The text without the components' instance lines and, when lines follow and it does not
    // end its last line, the "\r\n" that ends it.
    std::string text;
    std::vector<RemovalCounts> removed;  // per component, in the order given
};

// A removed line ends at its line feed, or at a carriage return that no line feed follows (old
// Macintosh line ends lose none of the user's lines); only a line feed starts a line, and what
// follows such a carriage return is a line's start only to the components after the one whose
// line ended there. So the walk takes exactly what removing one component after the other
// would take, each from the text the ones before it kept, and counts what each took.
// `chains`, when given, records each removed INIT_xx and INITP_xx line (component by
// component, in the order given; lines not counted).
ComponentsKeptText KeptUcfTextOfComponents(std::string_view ucfText,
                                           std::span<const std::string_view> components,
                                           SynthesizerKind synthesizer, bool linesFollow,
                                           const RemovalRules& rules = {},
                                           InitChainCollector* chains = nullptr);

// The counts of KeptUcfTextOfComponents without its text.
std::vector<RemovalCounts> CountRemovedLines(std::string_view ucfText,
                                             std::span<const std::string_view> components,
                                             SynthesizerKind synthesizer,
                                             const RemovalRules& rules = {});
