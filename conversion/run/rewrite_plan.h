// The plan of a rewrite, the same for a run in place and one that sends the new text
// elsewhere: the kept text, where the new text first differs from the old, its size, and what
// the removal took from each component.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "conversion/core/components_removal.h"
#include "conversion/core/lane_lines.h"
#include "conversion/run/conversion_options.h"
#include "conversion/run/conversion_outcome.h"

// What a rewrite of `oldText` writes: the kept text and then the lines.
struct RewritePlan {
    ComponentsKeptText kept;
    std::uint64_t from = 0;     // the first byte of the new text that differs from the old
    std::uint64_t newSize = 0;  // the new text's length
    bool unchanged = false;     // the new text is the old one
    // With options.linesInPlaceAreUnchanged: the old text holds the very lines as one block,
    // the rest of it being the kept text. It is then the new text as it stands (unchanged).
    bool linesInPlace = false;
    // With options.removalDetails: each component's INIT_xx and INITP_xx lines that the
    // removal took, summed up as chains.
    std::vector<ChainSummary> oldChains;
};
// Throws std::bad_alloc when the kept text cannot be held.
RewritePlan PlanRewrite(std::string_view oldText, const WideLines& lines,
                        const ConversionOptions& options);

// Where the new text, `kept` followed by the lines, first differs from `oldText`: its length
// when it only adds or cuts, the old length when they are the same. The lines are generated
// and compared only while they match.
std::uint64_t FirstDifference(std::string_view oldText, std::string_view kept,
                              const WideLines& lines);

// Whether `oldText` is `kept` with the lines inserted at the start of one of its lines: the
// lines already stand in the text, as one block, and nothing else of the components is left.
bool HoldsLinesInPlace(std::string_view oldText, std::string_view kept, const WideLines& lines);

// The new text from byte `from` on, in blocks of about `blockBytes`: what is left of `kept`,
// then the lines. False as soon as the sink refuses a block.
bool StreamNewText(std::string_view kept, const WideLines& lines, std::uint64_t from,
                   const LineBlockSink& sink, std::size_t blockBytes);

// The lanes' components, in lane order.
std::vector<std::string_view> LaneComponents(const WideLines& lines);

// Puts each component's removal counts (plan.kept.removed, from the removal of `components`
// from `ucfText` by `rules`) into outcome.components and, with `details`, what the warnings
// need: the lines that were no INIT_xx constraint, for a component none of whose lines went
// whether the UCF holds lines of it under the other naming, and the old lines' chains
// (conversion/run/old_lines.h), which are taken from the plan.
void RecordRemoval(std::string_view ucfText, std::span<const std::string_view> components,
                   SynthesizerKind synthesizer, RewritePlan& plan, bool details,
                   const RemovalRules& rules, ConversionOutcome& outcome);
