// Runs the built quillon-convert as a separate program and collects what it left behind.
#pragma once

#include <string>
#include <vector>

struct ProgramOutcome {
    int exitCode = -1;
    std::string out;  // line ends as "\n" on every platform
    std::string err;
};

// Runs quillon-convert with `args`; its output streams go through files in `scratchFolder`.
ProgramOutcome RunQuillonConvert(const std::vector<std::string>& args,
                                 const std::string& scratchFolder);
