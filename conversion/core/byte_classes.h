// Byte classes shared by the scanning primitives and the rewriter's fast path. Only ASCII is
// folded: bytes from 0x80 upward, NUL included among the others, are ordinary characters.
#pragma once

#include <string>
#include <string_view>

inline bool IsBlank(unsigned char c) {
    return c == ' ' || c == '\t';
}

inline bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

inline unsigned char FoldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// `text` with its ASCII letters folded, as names are compared.
inline std::string FoldedAscii(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) c = static_cast<char>(FoldAscii(static_cast<unsigned char>(c)));
    return folded;
}

// Equal bytes, or the two cases of one ASCII letter (they differ in bit 5 alone).
inline bool EqualNoCase(unsigned char a, unsigned char b) {
    if (a == b) return true;
    const unsigned lower = a | 0x20u;
    return (a ^ b) == 0x20u && lower >= 'a' && lower <= 'z';
}
