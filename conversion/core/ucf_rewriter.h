// The block RAM constraint rewriter: the UCF text without a component's INST lines, followed
// by INIT lines that hold the given bytes. It is made of the pieces a conversion run uses (the
// lanes, the removal's kept text, the streamed lines), which the run writes to the file
// without holding the new text whole.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "conversion/core/components_removal.h"
#include "conversion/core/generated_lines.h"
#include "conversion/core/lane_lines.h"
#include "conversion/core/synthesizer_kind.h"

// The dialog's rewrite: the bytes one after the other in one component's instances, every
// line of its instances removed first.
std::string RewriteUcf(const std::uint8_t* data, std::uint32_t size, std::string_view ucfText,
                       std::string_view component, SynthesizerKind synthesizer,
                       std::uint32_t linesPerInstance = kLinesPerInstance4k);
// The same for every lane of a memory (LayOutLanes), the lanes' components' lines removed by
// `rules`. Throws std::length_error when the result cannot be held.
std::string RewriteUcf(const WideLines& lines, std::string_view ucfText, const RemovalRules& rules);
