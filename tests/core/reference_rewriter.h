// A deliberately plain rewriter that follows the removal and generation steps literally:
// search every "INST" from the cursor, check its line, compare, copy, then print each line
// with snprintf. It is slow and obviously right, and serves as the oracle for the fast one.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace reference {

inline bool Blank(char c) {
    return c == ' ' || c == '\t';
}
inline bool Digit(char c) {
    return c >= '0' && c <= '9';
}
inline char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

inline std::optional<std::size_t> Find(std::string_view t, std::size_t from, std::string_view p) {
    for (std::size_t i = from; i + p.size() <= t.size(); ++i) {
        std::size_t k = 0;
        while (k < p.size() && Lower(t[i + k]) == Lower(p[k])) ++k;
        if (k == p.size()) return i;
    }
    return std::nullopt;
}

inline std::optional<std::size_t> LineStartBehindBlanks(std::string_view t, std::size_t pos) {
    while (pos > 0) {
        if (t[pos - 1] == '\n') return pos;
        if (!Blank(t[pos - 1])) return std::nullopt;
        --pos;
    }
    return 0;
}

inline std::size_t Skip(std::string_view t, std::size_t& pos, bool (*cls)(char)) {
    std::size_t n = 0;
    while (pos < t.size() && cls(t[pos])) ++pos, ++n;
    return n;
}

// Where a removed line ends: after the first line feed, or after the first carriage return
// that no line feed follows, whichever comes first.
inline std::size_t AfterRemovedLine(std::string_view t, std::size_t pos) {
    while (pos < t.size() && t[pos] != '\n' &&
           !(t[pos] == '\r' && (pos + 1 == t.size() || t[pos + 1] != '\n')))
        ++pos;
    return pos < t.size() ? pos + 1 : t.size();
}

// synthesizer: 0 Synopsys, 1 XST, anything else no convention. linesPerInstance: 16, 64 or 128
// attributes per instance, INIT_00 up to INIT_0F, INIT_3F or INIT_7F.
inline std::string Rewrite(const std::uint8_t* data, std::uint32_t size, std::string_view ucf,
                           std::string_view component, int synthesizer,
                           unsigned linesPerInstance = 16) {
    std::string result;
    std::size_t cursor = 0, mark = 0;
    while (auto match = Find(ucf, cursor, "INST")) {
        const auto lineStart = LineStartBehindBlanks(ucf, *match);
        cursor = *match + 4;
        if (!lineStart) continue;
        if (Skip(ucf, cursor, Blank) == 0) continue;
        if (ucf.size() - cursor < component.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < component.size(); ++i)
            same = same && Lower(ucf[cursor + i]) == Lower(component[i]);
        if (!same) continue;
        cursor += component.size();
        const bool atEnd = cursor >= ucf.size();
        bool removed = false;
        if (synthesizer == 0) {
            if (!atEnd && Blank(ucf[cursor])) {
                removed = true;
            } else if (!atEnd && ucf[cursor] == '_') {
                ++cursor;
                removed = Skip(ucf, cursor, Digit) > 0 && Skip(ucf, cursor, Blank) > 0;
            }
        } else if (synthesizer == 1) {
            removed = Skip(ucf, cursor, Digit) > 0 && Skip(ucf, cursor, Blank) > 0;
        }
        if (!removed) continue;
        if (*lineStart > mark) result.append(ucf.substr(mark, *lineStart - mark));
        mark = AfterRemovedLine(ucf, cursor);
    }
    result.append(ucf.substr(mark));

    if (size > 0 && !result.empty() && result.back() != '\n') result += "\r\n";

    std::string suffix = synthesizer == 1 ? "0" : "";
    int instance = 0;
    unsigned attribute = 0;
    for (std::uint32_t offset = 0; offset < size; offset += 32) {
        char name[32];
        std::snprintf(name, sizeof name, " INIT_%02X = ", attribute);
        std::string line = "INST " + std::string(component) + suffix + name;
        const std::uint32_t count = size - offset < 32 ? size - offset : 32;
        for (std::uint32_t i = count; i < 32; ++i) line += "00";
        for (std::uint32_t i = count; i-- > 0;) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02X", data[offset + i]);
            line += hex;
        }
        result += line + ";\r\n";
        if (++attribute == linesPerInstance) {
            attribute = 0;
            ++instance;
            if (synthesizer == 0 || synthesizer == 1) {
                char text[16];
                std::snprintf(text, sizeof text, synthesizer == 0 ? "_%d" : "%d", instance);
                suffix = text;
            }
        }
    }
    return result;
}

}  // namespace reference

namespace reference {

// The bytes as `width`-byte words stored big-endian: zero-padded to whole words, each word's
// bytes in reverse.
inline std::vector<std::uint8_t> Swapped(const std::vector<std::uint8_t>& bytes, unsigned width) {
    std::vector<std::uint8_t> padded = bytes;
    while (padded.size() % width != 0) padded.push_back(0);
    std::vector<std::uint8_t> swapped(padded.size());
    for (std::size_t i = 0; i < padded.size(); ++i)
        swapped[i] = padded[i / width * width + (width - 1 - i % width)];
    return swapped;
}

}  // namespace reference
