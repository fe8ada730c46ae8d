// Runs the built quillon-convert as a separate program and collects what it left behind.
#pragma once

#include <string>
#include <vector>

struct ProgramOutcome {
    int exitCode = -1;
    std::string out;     // line ends as "\n" on every platform
    std::string rawOut;  // as written
    std::string err;
    long peakKiB = -1;  // the program's largest resident memory, where the system tells
};

// Runs quillon-convert with `args`; its output streams go through files in `scratchFolder`,
// its standard input comes from the file `inputPath` when one is given.
ProgramOutcome RunQuillonConvert(const std::vector<std::string>& args,
                                 const std::string& scratchFolder,
                                 const std::string& inputPath = "");

#ifndef _WIN32
// Runs quillon-convert with a standard output whose reader has gone (a pipe with its reading
// end closed, as after "| head -c0"); returns the exit code, stderr in `err`.
int RunQuillonConvertIntoClosedPipe(const std::vector<std::string>& args,
                                    const std::string& scratchFolder, std::string& err);
#endif
