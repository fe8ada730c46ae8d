#pragma once

#include <string>

#include "conversion/run/conversion_options.h"
#include "conversion/run/conversion_outcome.h"
#include "conversion/run/conversion_request.h"
#include "conversion/run/run_failure.h"
#include "platform/message_owner.h"

// Reads the source, rewrites the UCF in place and refreshes the EDIF file's last-write time;
// stops at the first failure, which leaves the UCF as it was. Shows nothing.
ConversionOutcome ConvertFiles(const ConversionRequest& request,
                               const ConversionOptions& options = {});

// ConvertFiles, reported in exactly one message box on `owner`: success or the failure.
void RunConversion(const ConversionRequest& request, MessageOwner& owner,
                   const ConversionOptions& options = {});

// Shows `prefix` followed by the system's text for the last operating-system error,
// captioned "ERROR" with the stop icon.
void ShowSystemError(MessageOwner& owner, const std::string& prefix);

// The label of the file a failed step names, as its box starts: "Source binary file:" or
// "Destination UCF file:" (the box puts the path on the next line).
std::string FailureLabel(FailedStep step);

// Why the run refused its source (outcome.refusal), in the words of the dialog, which names no
// command-line option; the command line says it in its own.
std::string RefusalReason(const ConversionOutcome& outcome, const MemoryLayout& layout);

// Why a run or a step failed: its own reason, the system's text, or both.
std::string FailureReason(const RunFailure& failure);

// The text of the box a failed run shows: the file's prefix, its path and the system's text.
std::string FailureText(const ConversionRequest& request, const ConversionOutcome& outcome);
