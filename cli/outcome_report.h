// What quillon-convert prints about a conversion run, and the exit status it ends with.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "conversion/run/conversion_outcome.h"
#include "conversion/run/conversion_request.h"
#include "conversion/run/ucf_extract_run.h"
#include "platform/interrupt_guard.h"

// Prints the outcome and returns the exit status, kExitConverted, kExitRunFailed or
// kExitEdifNotRefreshed: after a success "UCF file updated!" (or "Dry run: no file changed.",
// or "Wrote FILE (the UCF was only read).") and the report lines on `out`, or for an in-place
// run that changed nothing the one line "design.ucf: unchanged (rom: 64 lines of 4
// instances)", unless it is quiet or standard output carries the new text, and the warnings
// on `err`; after a failure the failure's line on `err`. The journal's lines come first.
// Every line on `err` has the shape of cli/message_lines.h.
int ReportOutcome(const CommandLine& commandLine, const ConversionOutcome& outcome, std::FILE* out,
                  std::FILE* err);

// One line per component, in order: "ram: removed 16 lines, wrote 33 lines in 3 instances
// (ram .. ram_2)", the first followed by what the source was ("; Intel HEX, 2048 bytes at
// 0x0000..0x07FF", "; raw binary, 1040 bytes at 0x0000..0x040F"), each by "; unchanged" when
// the new text is the old one; with `countKept` (placements kept) and such lines there
// "ram: removed 16 lines, kept 1 other line, wrote ...".
std::vector<std::string> ReportLines(const ConversionOutcome& outcome, bool countKept = false);

// Prints what an extraction did and returns the exit status, kExitConverted or
// kExitRunFailed: one line per component on `out` (unless it is quiet or standard output
// carries the image) and the warnings on `err`; after a failure its text on `err` ("UCF
// file:" or "Output file:", the path and the reason).
int ReportExtraction(const CommandLine& commandLine, const ExtractionOutcome& outcome,
                     std::FILE* out, std::FILE* err);

// "ram: read 33 lines of 3 instances (ram .. ram_2), 1056 bytes": the component's share of the
// image, for a `width` of whole bytes; "..., 1024 words of 18 bits" for the others.
std::string ExtractionLine(const std::string& component, const LaneReading& lane, unsigned width);

// One line on `err` for each thing the UCF's rollback journal did in the run: an earlier
// run's rewrite undone from it, the old text left in it, or, for a run that only read the
// UCF, one that the next run puts back first.
void ReportJournal(const ConversionRequest& request, const ConversionOutcome& outcome,
                   std::FILE* err);

// The line on stderr for an interrupt that waited until the UCF was whole again.
void ReportHeldInterrupt(RewriteEnd end);
