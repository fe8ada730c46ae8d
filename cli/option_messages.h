// What quillon-convert says about a layout, a source or an extraction that the options do
// not allow, naming the options that change it. The core and the run return codes; these are
// the command line's words for them.
#pragma once

#include <string>

#include "conversion/core/memory_layout.h"
#include "conversion/run/conversion_options.h"
#include "conversion/run/conversion_outcome.h"
#include "conversion/run/ucf_extract_run.h"

// The usage error for a layout's problem, e.g. "--width 9 is not a width of --bram 4k (1, 2,
// 4, 8 or 16)"; empty for None.
std::string DescribeLayoutProblem(LayoutProblem problem, const MemoryLayout& layout);

// Why the run refused its source (outcome.refusal), e.g. "the data needs 8388608 block RAM
// instances of 512 bytes, more than --max-instances 1 allows: Intel HEX, 4294967040 bytes at
// 0x00000000..0xFFFFFEFF; --base 0xFFFFFF00 starts the image at its first data".
std::string RefusalText(const ConversionOutcome& outcome, const ConversionOptions& options);

// Why an extraction failed, with --max-instances named when it was the limit.
std::string ExtractionFailureText(const ExtractionOutcome& outcome,
                                  const ConversionOptions& options);
