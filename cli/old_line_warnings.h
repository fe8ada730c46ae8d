// The warnings that a UCF's old INIT_xx and INITP_xx lines give a conversion
// (conversion/run/old_lines.h), each one line naming both sides: more or fewer instances
// written than the UCF had of the component, old lines beyond what --bram and --width write,
// and a component without lines in a UCF that holds other components' lines. None when the
// UCF held no such lines at all: a design's first conversion.
#pragma once

#include <string>
#include <vector>

#include "cli/command_line.h"
#include "conversion/run/conversion_outcome.h"

// The warnings' texts, without the program's prefix, component by component.
std::vector<std::string> OldLineWarnings(const CommandLine& commandLine,
                                         const ConversionOutcome& outcome);
