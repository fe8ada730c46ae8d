// The UCF step of a conversion run: the old text read, the new one written in its place, all
// or nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "conversion/core/components_removal.h"
#include "conversion/core/lane_lines.h"
#include "conversion/run/conversion_options.h"
#include "conversion/run/conversion_outcome.h"

// Rewrites the UCF at `path` with the lines of every lane's component replaced by `lines`.
// Fills in the outcome's sizes, whether the text is unchanged and each component's removal
// counts (outcome.components, one per lane, made by the caller), or its failed step and
// error; after a failure the file is as it was (and gone again when this run created it).
// `releaseSource` is called as soon as the source bytes are no longer needed.
void UpdateUcf(const std::string& path, const WideLines& lines, const ConversionOptions& options,
               ConversionOutcome& outcome, const std::function<void()>& releaseSource);

// What a rewrite of `oldText` writes: the kept text and then the lines.
struct RewritePlan {
    ComponentsKeptText kept;
    std::uint64_t from = 0;     // the first byte of the new text that differs from the old
    std::uint64_t newSize = 0;  // the new text's length
    bool unchanged = false;     // the new text is the old one
};
// Throws std::bad_alloc when the kept text cannot be held.
RewritePlan PlanRewrite(std::string_view oldText, const WideLines& lines,
                        const ConversionOptions& options);

// Where the new text, `kept` followed by the lines, first differs from `oldText`: its length
// when it only adds or cuts, the old length when they are the same. The lines are generated
// and compared only while they match.
std::uint64_t FirstDifference(std::string_view oldText, std::string_view kept,
                              const WideLines& lines);

// The new text from byte `from` on, in blocks of about `blockBytes`: what is left of `kept`,
// then the lines. False as soon as the sink refuses a block.
bool StreamNewText(std::string_view kept, const WideLines& lines, std::uint64_t from,
                   const LineBlockSink& sink, std::size_t blockBytes);
