// The UCF step of a run that leaves the UCF as it is: the UCF only read, and the new text
// written to another file, to standard output or nowhere.
#pragma once

#include <string>

#include "conversion/core/lane_lines.h"
#include "conversion/run/conversion_options.h"
#include "conversion/run/conversion_outcome.h"

// Computes what an in-place run would write and sends it where options.output says
// (UcfOutput::DryRun, File or StandardOutput). Fills in the outcome as UpdateUcf does, or
// its failed step and error; the UCF is never changed, an output file only replaced whole.
void PreviewUcf(const std::string& path, const WideLines& lines, const ConversionOptions& options,
                ConversionOutcome& outcome);
