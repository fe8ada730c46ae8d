// The UCF step of a run that leaves the UCF as it is: the UCF only read, and the new text
// written to another file, to standard output or nowhere.
#pragma once

#include <cstddef>
#include <functional>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/core/lane_lines.h"
#include "conversion/core/ucf_rewriter.h"
#include "conversion/run/conversion_options.h"
#include "conversion/run/conversion_outcome.h"
#include "conversion/run/run_failure.h"

// A UCF is held whole in memory.
inline constexpr std::uint64_t kMaxUcfSize = std::numeric_limits<std::size_t>::max();

// Reads the whole UCF at `path` without changing it: opened read-only, letting others read and
// write it meanwhile, once no run rewrites it (waiting as `wait` says), as the journal of a
// run that died would leave it. A missing UCF reads as empty and is not created; a path whose
// folder is missing fails as creating the UCF would.
// `journalPending`: a run that did not finish left a journal, which the next run in place puts
// back first.
RunFailure ReadUcfUnchanged(const std::string& path, const LockWait& wait, std::string& text);
RunFailure ReadUcfUnchanged(const std::string& path, const LockWait& wait, std::string& text,
                            bool& journalPending);

// The lanes' components, in lane order.
std::vector<std::string_view> LaneComponents(const WideLines& lines);

// Puts each component's removal counts (`removed`, from the removal of `components` from
// `ucfText` by `rules`) into outcome.components and, with `details`, what the warnings need:
// the lines that were no INIT_xx constraint, and for a component none of whose lines went
// whether the UCF holds lines of it under the other naming.
void RecordRemoval(std::string_view ucfText, std::span<const std::string_view> components,
                   SynthesizerKind synthesizer, const std::vector<RemovalCounts>& removed,
                   bool details, const RemovalRules& rules, ConversionOutcome& outcome);

// Computes what an in-place run would write and sends it where options.output says
// (UcfOutput::DryRun, File or StandardOutput). Fills in the outcome as UpdateUcf does, or
// its failed step and error; the UCF is never changed, an output file only replaced whole.
// `releaseSource` is called as soon as the source bytes are no longer needed.
void PreviewUcf(const std::string& path, const WideLines& lines, const ConversionOptions& options,
                ConversionOutcome& outcome, const std::function<void()>& releaseSource);
