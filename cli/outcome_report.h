// What quillon-convert prints about a conversion run, and the exit status it ends with.
#pragma once

#include <cstdio>

#include "cli/command_line.h"
#include "conversion/conversion_outcome.h"
#include "conversion/conversion_request.h"

// Prints the outcome, "UCF file updated!" on `out` or the failure's text on `err`, and
// returns the exit status: kExitConverted or kExitRunFailed.
int ReportOutcome(const ConversionRequest& request, const ConversionOutcome& outcome,
                  std::FILE* out, std::FILE* err);

// The same for a run with the command line's options: after a success "UCF file updated!"
// (or "Dry run: no file changed.") and the report line on `out`, unless it is quiet or
// standard output carries the new text, and the warnings on `err`.
int ReportOutcome(const CommandLine& commandLine, const ConversionOutcome& outcome, std::FILE* out,
                  std::FILE* err);

// "ram: removed 16 lines, wrote 33 lines in 3 instances (ram .. ram_2)".
std::string ReportLine(const std::string& component, const ConversionOutcome& outcome);
