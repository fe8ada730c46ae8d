// What quillon-convert prints about a conversion run, and the exit status it ends with.
#pragma once

#include <cstdio>

#include "conversion/conversion_outcome.h"
#include "conversion/conversion_request.h"

// Prints the outcome, "UCF file updated!" on `out` or the failure's text on `err`, and
// returns the exit status: kExitConverted or kExitRunFailed.
int ReportOutcome(const ConversionRequest& request, const ConversionOutcome& outcome,
                  std::FILE* out, std::FILE* err);
