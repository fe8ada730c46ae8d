// The UCF step of a run that leaves the UCF as it is: the UCF only read, and the new text
// written to another file, to standard output or nowhere.
#pragma once

#include <cstddef>
#include <functional>
#include <limits>
#include <string>

#include "conversion/run/conversion_options.h"
#include "conversion/run/conversion_outcome.h"
#include "conversion/core/generated_lines.h"
#include "conversion/run/run_failure.h"

// A UCF is held whole in memory.
inline constexpr std::uint64_t kMaxUcfSize = std::numeric_limits<std::size_t>::max();

// Reads the whole UCF at `path` without changing it: opened read-only, letting others read and
// write it meanwhile, once no run rewrites it (waiting as `wait` says), as the journal of a
// run that died would leave it. A missing UCF reads as empty and is not created; a path whose
// folder is missing fails as creating the UCF would.
RunFailure ReadUcfUnchanged(const std::string& path, const LockWait& wait, std::string& text);

// Fills in the outcome's removal details (the lines that are no INIT_xx constraint, the
// lines under the other naming) for `lines` going into `ucfText`, removed by `rules`.
void FindRemovalDetails(std::string_view ucfText, const GeneratedLines& lines,
                        const RemovalRules& rules, ConversionOutcome& outcome);

// Computes what an in-place run would write and sends it where options.output says
// (UcfOutput::DryRun, File or StandardOutput). Fills in the outcome's counts and sizes, or
// its failed step and error; the UCF is never changed, an output file only replaced whole.
// `releaseSource` is called as soon as the source bytes are no longer needed.
void PreviewUcf(const std::string& path, const GeneratedLines& lines,
                const ConversionOptions& options, ConversionOutcome& outcome,
                const std::function<void()>& releaseSource);
