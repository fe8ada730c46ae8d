#include "conversion/run/old_lines.h"

#include <algorithm>
#include <vector>

#include "conversion/core/ucf_inventory.h"

void RecordOldLines(std::string_view ucfText, std::vector<ChainSummary> chains,
                    ConversionOutcome& outcome) {
    bool someWithout = false;
    for (std::size_t i = 0; i < chains.size() && i < outcome.components.size(); ++i) {
        someWithout = someWithout || chains[i].instances == 0;
        outcome.components[i].oldLines = std::move(chains[i]);
    }
    outcome.oldChains.clear();
    if (!someWithout) return;
    // A name that matches nothing: what the text initialises instead.
    for (InitChain& chain : FindInitChains(ucfText))
        outcome.oldChains.push_back(std::move(chain.component));
}
