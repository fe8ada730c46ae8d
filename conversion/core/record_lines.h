// What the text image formats share: their lines, their hex digits and the words of their
// messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/core/hex_digits.h"

// The lines of a text file one at a time: a line ends at LF, and a CR before it goes with it.
class RecordLines {
public:
    RecordLines(const std::uint8_t* bytes, std::size_t size)
        : text_(reinterpret_cast<const char*>(bytes), size) {}
    // The next line without its line end and its leading and trailing blanks (spaces, tabs);
    // false after the last.
    bool Next(std::string_view& line);
    std::uint64_t Number() const { return number_; }  // of the line Next gave, from 1

private:
    std::string_view text_;
    std::size_t at_ = 0;
    std::uint64_t number_ = 0;
};

// "line 12: " and the text.
std::string LineReason(std::uint64_t line, const std::string& text);
// "'G'", or "the byte 0x07" for one that does not print.
std::string CharacterText(char c);

// The bytes that a record's hex digits spell, two digits a byte; a reason (without the line)
// for a character that is no hex digit or an odd number of digits.
std::string DecodeHexPairs(std::string_view digits, std::vector<std::uint8_t>& bytes);

// Whether a record's last byte, its checksum, is the `needed` one: a reason (without the line)
// when it is not.
std::string CheckRecordSum(const std::vector<std::uint8_t>& record, std::uint8_t needed);
