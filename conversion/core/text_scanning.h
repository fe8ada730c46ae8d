// Scanning primitives over UCF text. The text is a byte string of known length; NUL is an
// ordinary byte. Only space and tab are blanks, only a line feed ends a line, and a carriage
// return is an ordinary character. The small ones are inline: the rewriter calls them for
// every line of a text of many megabytes.
#pragma once

#include <cstddef>
#include <cstring>
#include <optional>
#include <string_view>

#include "conversion/core/byte_classes.h"

// A forward-moving position inside one text.
struct TextCursor {
    std::string_view text;
    std::size_t pos = 0;
};

// Whether `pattern` stands at `position`, ASCII letters compared without regard to case.
inline bool MatchesNoCase(std::string_view text, std::size_t position, std::string_view pattern) {
    if (position > text.size() || pattern.size() > text.size() - position) return false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (!EqualNoCase(static_cast<unsigned char>(text[position + i]),
                         static_cast<unsigned char>(pattern[i])))
            return false;
    }
    return true;
}

// Position of the first match of `pattern` at or after `position`, ASCII letters compared
// without regard to case; an empty pattern matches at `position`.
std::optional<std::size_t> FindNoCase(std::string_view text, std::size_t position,
                                      std::string_view pattern);

// Start of the line holding `position` when only blanks stand between them, else none.
std::optional<std::size_t> BlankLineStart(std::string_view text, std::size_t position);

// Moves the cursor over the bytes of one class; returns how many it passed.
template <class ByteClass>
std::size_t SkipClass(TextCursor& cursor, ByteClass inClass) {
    const std::size_t start = cursor.pos;
    while (cursor.pos < cursor.text.size() &&
           inClass(static_cast<unsigned char>(cursor.text[cursor.pos])))
        ++cursor.pos;
    return cursor.pos - start;
}

// Moves the cursor over blanks; returns how many it passed.
inline std::size_t SkipBlanks(TextCursor& cursor) {
    return SkipClass(cursor, IsBlank);
}

// Moves the cursor over decimal digits; returns how many it passed.
inline std::size_t TakeDigits(TextCursor& cursor) {
    return SkipClass(cursor, IsDigit);
}

// Position just after the next line feed at or after `position`, or the text's end.
std::size_t NextLineStart(std::string_view text, std::size_t position);

// Position just after the line that a removal takes from `position` on: after the first line
// feed, or after the first carriage return that no line feed follows (a line of a file with
// old Macintosh line ends), whichever comes first; the text's end when neither follows.
std::size_t RemovedLineEnd(std::string_view text, std::size_t position);
