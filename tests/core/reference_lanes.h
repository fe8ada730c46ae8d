// The lane layout's lines written literally from its definition, one bit at a time and
// instance by instance: bit b of line a of instance k is data bit (a*256 + b) of the
// instance, that is bit (a*256 + b) % d of its word (a*256 + b) / d (parity the same over
// p). Slow and plain: the oracle for the packed streams.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace reference {

// A byte image's words: `wordBytes` bytes each, least significant first, the last padded.
inline std::vector<std::uint64_t> Words(const std::vector<std::uint8_t>& bytes,
                                        unsigned wordBytes) {
    std::vector<std::uint64_t> words((bytes.size() + wordBytes - 1) / wordBytes);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        words[i / wordBytes] |= std::uint64_t{bytes[i]} << (8 * (i % wordBytes));
    return words;
}

inline unsigned Parity(unsigned width) {
    return width == 9 ? 1 : width == 18 ? 2 : width == 36 ? 4 : 0;
}

// synthesizer: 0 Synopsys, 1 XST, else none. linesPerInstance: 16, 64 or 128.
inline std::string LaneText(const std::vector<std::uint64_t>& words, unsigned width, unsigned lane,
                            unsigned linesPerInstance, const std::string& component,
                            int synthesizer) {
    const unsigned p = Parity(width), d = width - p;
    const std::uint64_t perInstance = std::uint64_t{linesPerInstance} * 256 / d;
    std::string text;
    for (std::uint64_t k = 0; k * perInstance < words.size(); ++k) {
        std::string name = component;
        if (synthesizer == 1) name += std::to_string(k);
        if (synthesizer == 0 && k > 0) name.append("_").append(std::to_string(k));
        const std::uint64_t here =
            std::min<std::uint64_t>(perInstance, words.size() - k * perInstance);
        for (const bool parity : {false, true}) {
            const unsigned bits = parity ? p : d, skip = parity ? d : 0;
            for (std::uint64_t a = 0; a * 256 < here * bits; ++a) {
                char head[32];
                std::snprintf(head, sizeof head, " %s_%02X = ", parity ? "INITP" : "INIT",
                              static_cast<unsigned>(a));
                std::string digits(64, '0');
                for (unsigned b = 0; b < 256; ++b) {
                    const std::uint64_t word = k * perInstance + (a * 256 + b) / bits;
                    const unsigned bit = lane * width + skip + (a * 256 + b) % bits;
                    if (word < words.size() && (words[word] >> bit & 1) != 0) {
                        char& digit = digits[63 - b / 4];
                        const int value =
                            (digit <= '9' ? digit - '0' : digit - 'A' + 10) | 1 << (b % 4);
                        digit = "0123456789ABCDEF"[value];
                    }
                }
                text += "INST " + name + head + digits + ";\r\n";
            }
        }
    }
    return text;
}

}  // namespace reference
