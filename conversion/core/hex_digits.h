// Hex digits as every text here spells them: read in either case, written in upper case.
#pragma once

#include <cstdint>
#include <string>

inline constexpr char kHexDigits[] = "0123456789ABCDEF";

// The value of a hex digit, -1 for any other character.
inline int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

inline bool IsHexDigit(char c) {
    return HexDigitValue(c) >= 0;
}

// `value` in upper-case hex digits, at least `digits` of them: HexText(0x3C, 2) is "3C".
inline std::string HexText(std::uint64_t value, unsigned digits = 1) {
    std::string text;
    while (value != 0 || text.size() < digits) {
        text.insert(text.begin(), kHexDigits[value & 15]);
        value >>= 4;
    }
    return text;
}

// The same after "0x": HexNumber(0xE000, 8) is "0x0000E000".
inline std::string HexNumber(std::uint64_t value, unsigned digits = 1) {
    return "0x" + HexText(value, digits);
}
