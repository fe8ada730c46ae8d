// What a UCF's old INIT_xx and INITP_xx lines held of a run's components, read from the text
// the run read, for the command line's warnings: an image that needs more or fewer instances
// than the design had, a block RAM size or width that the old lines do not have, a component
// name that matches none of the chains there.
#pragma once

#include <string_view>
#include <vector>

#include "conversion/core/ucf_inventory.h"
#include "conversion/run/conversion_outcome.h"

// Puts each component's chain (`chains`, one per component, as the removal of the run's
// plan found them in `ucfText`) into its oldLines (outcome.components, made by the caller)
// and, when one of them has none, the components of every chain of the text into
// outcome.oldChains.
void RecordOldLines(std::string_view ucfText, std::vector<ChainSummary> chains,
                    ConversionOutcome& outcome);
