// The block RAM constraint rewriter: removes a component's INST lines from UCF text and
// appends INIT_00..INIT_0F lines holding the given bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The Synthesizer list's selection index. Any value other than these two (in practice -1,
// nothing selected) means no naming convention: nothing is removed, the suffix never changes.
enum class SynthesizerKind : int { Synopsys = 0, Xst = 1 };

std::string RewriteUcf(const std::uint8_t* data, std::uint32_t size, std::string_view ucfText,
                       std::string_view component, SynthesizerKind synthesizer);
