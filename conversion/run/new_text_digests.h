// The digests of a rewrite's new text (conversion/run/journal_format.h), which the journal
// needs before the UCF's first byte is overwritten: one pass over the text that is not written
// yet, on two threads where the lines allow, since it stands between the plan and the first
// write of the run.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "conversion/core/lane_lines.h"
#include "conversion/run/journal_format.h"

// The digests of the new text, `kept` followed by the lines, from the header's offset on.
// Throws std::bad_alloc when there is no memory for the blocks.
std::vector<std::uint32_t> NewTextDigestsOf(const JournalHeader& header, std::string_view kept,
                                            const WideLines& lines);
