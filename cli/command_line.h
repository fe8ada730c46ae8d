// The command line of quillon-convert, turned into a conversion request.
#pragma once

#include <string>

#include "conversion/run/conversion_options.h"
#include "conversion/run/conversion_request.h"

struct CommandLine {
    // Extract: --extract, the image out of the UCF (conversion/run/ucf_extract_run.h); List:
    // --list, the chains the UCF initialises (cli/ucf_listing.h).
    enum class Action { Convert, Extract, List, ShowHelp, ShowVersion, UsageError };
    Action action = Action::UsageError;
    ConversionRequest request;
    ConversionOptions options;
    bool quiet = false;     // nothing on standard output after a success
    bool listJson = false;  // --list as JSON
    // The help or version text, or for a usage error what was wrong and where to read more.
    std::string text;
    // The line that follows a usage error, also one the run finds: "Try 'quillon-convert
    // --help' for more information."
    std::string usage;
};

// Exit codes: 0 converted (or help, version), 1 the run failed, 2 the command line is wrong,
// 3 the UCF was converted but the named EDIF file is missing or its time could not be renewed.
inline constexpr int kExitConverted = 0;
inline constexpr int kExitRunFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitEdifNotRefreshed = 3;

CommandLine ParseCommandLine(int argc, const char* const* argv);
