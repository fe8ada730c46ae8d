// Small helpers shared by the rewriter tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/core/ucf_rewriter.h"
#include "tests/support/byte_patterns.h"

inline std::string Convert(std::string_view ucf, std::string_view component, int synthesizer,
                           const std::vector<std::uint8_t>& data = {}) {
    return RewriteUcf(data.data(), static_cast<std::uint32_t>(data.size()), ucf, component,
                      static_cast<SynthesizerKind>(synthesizer));
}

// Bytes 0, 1, 2, ... wrapping at 256, as the rewriter's data.
inline std::vector<std::uint8_t> Counting(std::size_t n) {
    const std::string bytes = CountingBytes(n);
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

// Splits after every line feed; a last line without one is kept as it is.
inline std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end + 1;
        lines.emplace_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}
