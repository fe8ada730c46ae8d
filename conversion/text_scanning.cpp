#include "conversion/text_scanning.h"

#include <cstring>

#include "conversion/byte_classes.h"

std::optional<std::size_t> FindNoCase(std::string_view text, std::size_t position,
                                      std::string_view pattern) {
    if (position > text.size() || pattern.size() > text.size() - position) return std::nullopt;
    if (pattern.empty()) return position;

    const std::size_t last = text.size() - pattern.size();  // last possible start
    for (std::size_t i = position; i <= last; ++i) {
        if (MatchesNoCase(text, i, pattern)) return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> BlankLineStart(std::string_view text, std::size_t position) {
    if (position > text.size()) return std::nullopt;
    std::size_t i = position;
    while (i > 0) {
        const auto c = static_cast<unsigned char>(text[i - 1]);
        if (c == '\n') return i;
        if (!IsBlank(c)) return std::nullopt;
        --i;
    }
    return 0;
}

std::size_t NextLineStart(std::string_view text, std::size_t position) {
    if (position >= text.size()) return text.size();
    const void* lineFeed = std::memchr(text.data() + position, '\n', text.size() - position);
    if (lineFeed == nullptr) return text.size();
    return static_cast<std::size_t>(static_cast<const char*>(lineFeed) - text.data()) + 1;
}
