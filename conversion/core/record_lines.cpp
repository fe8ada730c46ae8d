#include "conversion/core/record_lines.h"

#include <cstdio>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

bool RecordLines::Next(std::string_view& line) {
    if (at_ >= text_.size()) return false;
    std::size_t end = text_.find('\n', at_);
    if (end == std::string_view::npos) end = text_.size();
    std::size_t first = at_;
    std::size_t last = end;
    at_ = end + 1;
    ++number_;
    if (last > first && text_[last - 1] == '\r') --last;
    while (first < last && IsBlank(text_[first])) ++first;
    while (last > first && IsBlank(text_[last - 1])) --last;
    line = text_.substr(first, last - first);
    return true;
}

std::string LineReason(std::uint64_t line, const std::string& text) {
    return std::string("line ") + std::to_string(line) + ": " + text;
}

std::string CharacterText(char c) {
    const auto byte = static_cast<unsigned char>(c);
    char text[16];
    if (byte >= 0x21 && byte < 0x7F) {
        std::snprintf(text, sizeof text, "'%c'", c);
    } else {
        std::snprintf(text, sizeof text, "the byte 0x%02X", static_cast<unsigned>(byte));
    }
    return text;
}

std::string DecodeHexPairs(std::string_view digits, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    for (const char c : digits) {
        if (HexDigitValue(c) < 0) return CharacterText(c) + " is not a hex digit";
    }
    if (digits.size() % 2 != 0) {
        return std::string("the record has an odd number of hex digits (") +
               std::to_string(digits.size()) + ")";
    }
    bytes.reserve(digits.size() / 2);
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(HexDigitValue(digits[i]) << 4 |
                                                  HexDigitValue(digits[i + 1])));
    }
    return {};
}

std::string CheckRecordSum(const std::vector<std::uint8_t>& record, std::uint8_t needed) {
    const std::uint8_t given = record.back();
    if (given == needed) return {};
    return std::string("the checksum is ") + HexText(given, 2) + ", the record needs " +
           HexText(needed, 2);
}
