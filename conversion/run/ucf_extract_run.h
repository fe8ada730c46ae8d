// The other direction of a run: the image that a UCF's INIT_xx and INITP_xx lines of a
// memory's components hold (conversion/core/ucf_extract.h), written to a file or to standard
// output. The UCF is only read, and nothing else is touched.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "conversion/core/ucf_extract.h"
#include "conversion/run/conversion_options.h"
#include "conversion/run/conversion_outcome.h"
#include "conversion/run/conversion_request.h"
#include "conversion/run/run_failure.h"

// Succeeded(), or the step that failed (the base): Ucf, the UCF could not be read, holds no
// line of the components or a malformed one (extractFailure and the reason, which names its
// line), or names more instances than allowed, or the layout cannot be extracted at all
// (layoutProblem); Output, the image could not be written, and FILE is as it was.
struct ExtractionOutcome : RunFailure {
    std::vector<std::string> components;  // as given, in lane order
    std::vector<LaneReading> lanes;       // what each one's lines gave
    std::uint64_t words = 0;              // of lanes x width bits
    std::uint64_t instances = 0;          // each lane's, through the last one a line names
    std::string lastInstance;             // that one
    std::uint64_t imageSize = 0;          // bytes written
    std::vector<std::string> warnings;    // ExtractWarnings
};

// Reads the UCF of `request` as a run would find it (under the run lock, as a journal's
// recovery would leave it), takes the image its lines of the request's and the options'
// components hold under the request's synthesizer and the options' layout, and writes it to
// options.extractFile ("-": standard output), raw or as hex words (options.extractHexWords;
// CheckExtractedLayout), a block at a time. A raw image's bytes are reversed in words of
// options.swapWidth, as a conversion takes them. More instances in a lane than
// options.maxInstances fail before the image is made. FILE is replaced whole or not at all.
ExtractionOutcome ExtractUcfImage(const ConversionRequest& request,
                                  const ConversionOptions& options);
