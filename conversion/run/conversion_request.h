#pragma once

#include <string>

// What one conversion works on, taken from the dialog (or the command line) as typed:
// paths and the component name in the ANSI code page, neither trimmed nor validated.
struct ConversionRequest {
    std::string sourceFile;
    std::string ucfFile;
    std::string component;
    std::string edifFile;
    int synthesizer = 0;  // the Synthesizer list's selection index, -1 for none
};
