// The command line of quillon-convert, turned into a conversion request.
#pragma once

#include <string>

#include "conversion/run/conversion_options.h"
#include "conversion/run/conversion_request.h"

struct CommandLine {
    // Extract: --extract, the image out of the UCF (conversion/run/ucf_extract_run.h).
    enum class Action { Convert, Extract, ShowHelp, ShowVersion, UsageError };
    Action action = Action::UsageError;
    ConversionRequest request;
    ConversionOptions options;
    bool quiet = false;  // nothing on standard output after a success
    // The help or version text, or for a usage error what was wrong followed by the usage.
    std::string text;
    // The short usage that follows a usage error, also one the run finds.
    std::string usage;
};

// Exit codes: 0 converted (or help, version), 1 the run failed, 2 the command line is wrong,
// 3 the UCF was updated but the named EDIF file's time could not be renewed.
inline constexpr int kExitConverted = 0;
inline constexpr int kExitRunFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitEdifNotRefreshed = 3;

CommandLine ParseCommandLine(int argc, const char* const* argv);
