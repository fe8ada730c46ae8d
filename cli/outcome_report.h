// What quillon-convert prints about a conversion run, and the exit status it ends with.
#pragma once

#include <cstdio>

#include "conversion/conversion_outcome.h"
#include "conversion/conversion_request.h"
#include "platform/interrupt_guard.h"

// Prints the outcome, "UCF file updated!" on `out` or the failure's text on `err`, and
// returns the exit status: kExitConverted or kExitRunFailed.
int ReportOutcome(const ConversionRequest& request, const ConversionOutcome& outcome,
                  std::FILE* out, std::FILE* err);

// One line on `err` for each thing the UCF's rollback journal did in the run: an earlier
// run's rewrite undone from it, or the old text left in it.
void ReportJournal(const ConversionRequest& request, const ConversionOutcome& outcome,
                   std::FILE* err);

// The line on stderr for an interrupt that waited until the UCF was whole again.
void ReportHeldInterrupt(RewriteEnd end);
