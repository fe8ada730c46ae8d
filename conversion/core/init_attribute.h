// The attribute of an INST line that holds a block RAM's contents: INIT_xx (data bits) or
// INITP_xx (parity bits), as the removal tells such lines from placements and as --extract
// reads them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "conversion/core/byte_classes.h"
#include "conversion/core/hex_digits.h"
#include "conversion/core/text_scanning.h"

struct InitAttribute {
    bool parity = false;       // INITP_
    std::size_t start = 0;     // of "INIT"
    std::size_t digitsAt = 0;  // its hex digits
    std::size_t digits = 0;    // how many
    std::size_t end = 0;       // after the digits: a blank or "=" follows
};

// The attribute after the blanks at `pos`: "INIT_" or "INITP_" in any letter case, one or more
// hex digits, then a blank or "=". None for any other attribute.
inline std::optional<InitAttribute> MatchInitAttribute(std::string_view text, std::size_t pos) {
    TextCursor cursor{text, pos};
    SkipBlanks(cursor);
    // "INIT" in any case, then "_" or "P_".
    if (!MatchesNoCase(text, cursor.pos, "INIT")) return std::nullopt;
    InitAttribute attribute;
    attribute.start = cursor.pos;
    std::size_t at = cursor.pos + 4;
    attribute.parity = at < text.size() && (text[at] == 'P' || text[at] == 'p');
    if (attribute.parity) ++at;
    if (at >= text.size() || text[at] != '_') return std::nullopt;
    attribute.digitsAt = ++at;
    while (at < text.size() && IsHexDigit(text[at])) ++at;
    attribute.digits = at - attribute.digitsAt;
    attribute.end = at;
    if (attribute.digits == 0 || at >= text.size()) return std::nullopt;
    const auto next = static_cast<unsigned char>(text[at]);
    if (!IsBlank(next) && next != '=') return std::nullopt;
    return attribute;
}

// Whether the rest of a line from `pos` on is an INIT_xx or INITP_xx constraint: the attribute
// with its two digits, as the lines are written.
inline bool IsInitConstraint(std::string_view text, std::size_t pos) {
    const std::optional<InitAttribute> attribute = MatchInitAttribute(text, pos);
    return attribute && attribute->digits == 2;
}

// The attribute's number from its first two hex digits.
inline std::uint32_t InitAttributeNumber(std::string_view text, const InitAttribute& attribute) {
    return static_cast<std::uint32_t>(HexDigitValue(text[attribute.digitsAt]) << 4 |
                                      HexDigitValue(text[attribute.digitsAt + 1]));
}

// "INIT_05", "INITP_0A".
inline std::string AttributeName(bool parity, std::uint64_t number) {
    return std::string(parity ? "INITP_" : "INIT_") + HexText(number & 0xFF, 2);
}
