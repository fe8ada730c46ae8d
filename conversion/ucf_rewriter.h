// The block RAM constraint rewriter: removes a component's INST lines from UCF text and
// appends INIT_00..INIT_0F lines holding the given bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "conversion/synthesizer_kind.h"

std::string RewriteUcf(const std::uint8_t* data, std::uint32_t size, std::string_view ucfText,
                       std::string_view component, SynthesizerKind synthesizer);

// The first part of RewriteUcf's result, for callers that produce the generated lines
// themselves: the text without the component's instance lines and, when lines follow and
// the kept text does not end its last line, the "\r\n" that ends it.
std::string KeptUcfText(std::string_view ucfText, std::string_view component,
                        SynthesizerKind synthesizer, bool linesFollow);
