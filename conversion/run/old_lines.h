// What a UCF's old INIT_xx and INITP_xx lines held of a run's components, read from the text
// the run read, for the command line's warnings: an image that needs more or fewer instances
// than the design had, a block RAM size or width that the old lines do not have, a component
// name that matches none of the chains there.
#pragma once

#include <span>
#include <string_view>

#include "conversion/core/synthesizer_kind.h"
#include "conversion/run/conversion_outcome.h"

// Fills in each component's oldLines (outcome.components, one per component, made by the
// caller) and, when one of them has none, outcome.oldChains.
void RecordOldLines(std::string_view ucfText, std::span<const std::string_view> components,
                    SynthesizerKind synthesizer, ConversionOutcome& outcome);
