// Scanning primitives over UCF text. The text is a byte string of known length; NUL is an
// ordinary byte. Only space and tab are blanks, only a line feed ends a line, and a carriage
// return is an ordinary character.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

// A forward-moving position inside one text.
struct TextCursor {
    std::string_view text;
    std::size_t pos = 0;
};

// Position of the first match of `pattern` at or after `position`, ASCII letters compared
// without regard to case; an empty pattern matches at `position`.
std::optional<std::size_t> FindNoCase(std::string_view text, std::size_t position,
                                      std::string_view pattern);

// Start of the line holding `position` when only blanks stand between them, else none.
std::optional<std::size_t> BlankLineStart(std::string_view text, std::size_t position);

// Moves the cursor over blanks; returns how many it passed.
std::size_t SkipBlanks(TextCursor& cursor);

// Moves the cursor over decimal digits; returns how many it passed.
std::size_t TakeDigits(TextCursor& cursor);

// Position just after the next line feed at or after `position`, or the text's end.
std::size_t NextLineStart(std::string_view text, std::size_t position);
