// The UCF step of a run that leaves the UCF as it is: the UCF only read, and the new text
// written to another file, to standard output or nowhere.
#pragma once

#include <functional>
#include <string>

#include "conversion/run/conversion_options.h"
#include "conversion/run/conversion_outcome.h"
#include "conversion/core/generated_lines.h"

// Reads the whole UCF at `path` without changing it: opened read-only, letting others read and
// write it meanwhile. A missing UCF reads as empty and is not created; a path whose folder is
// missing fails as creating the UCF would. 0 or the system's reason.
SystemErrorCode ReadUcfUnchanged(const std::string& path, FileAccessFaults* faults,
                                 std::string& text);

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
