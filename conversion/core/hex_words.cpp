#include "conversion/core/hex_words.h"

#include <algorithm>
#include <limits>
#include <string>
#include <string_view>

#include "conversion/core/record_lines.h"

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// The word as the message shows it, long ones shortened.
std::string Shown(std::string_view word) {
    constexpr std::size_t kShown = 24;
    if (word.size() <= kShown) return std::string(word);
    return std::string(word.substr(0, kShown)) + "...";
}

class WordReader {
public:
    WordReader(std::string_view text, unsigned widthBits, ImageChunks& chunks)
        : text_(text), width_(widthBits), wordBytes_((widthBits + 7) / 8), chunks_(chunks) {}

    ImageError Read() {
        while (at_ < text_.size()) {
            const char c = text_[at_];
            const char next = at_ + 1 < text_.size() ? text_[at_ + 1] : '\0';
            if (c == '\n') {
                ++line_;
                ++at_;
            } else if (IsSpace(c)) {
                ++at_;
            } else if (c == '/' && next == '/') {
                while (at_ < text_.size() && text_[at_] != '\n') ++at_;
            } else if (c == '/' && next == '*') {
                if (ImageError error = SkipBlockComment()) return error;
            } else if (c == '@') {
                ++at_;
                if (ImageError error = ReadAddress()) return error;
            } else if (HexDigitValue(c) >= 0) {
                if (ImageError error = ReadWord()) return error;
            } else if (c == '_') {
                return Fail("a word starts with a hex digit, not with '_'");
            } else {
                return Fail(CharacterText(c) + " is not a hex digit");
            }
        }
        return {};
    }

private:
    ImageError Fail(const std::string& text) const { return {LineReason(line_, text), false}; }

    ImageError SkipBlockComment() {
        const std::uint64_t opened = line_;
        const std::size_t end = text_.find("*/", at_ + 2);
        const std::size_t stop = end == std::string_view::npos ? text_.size() : end + 2;
        for (; at_ < stop; ++at_) line_ += text_[at_] == '\n' ? 1 : 0;
        if (end == std::string_view::npos)
            return {LineReason(opened, "the comment is not closed"), false};
        return {};
    }

    // A run of hex digits and underscores at `at_`, which must end the token.
    ImageError Digits(std::string_view& token, unsigned& digits, std::uint64_t& value, bool& wide) {
        const std::size_t start = at_;
        digits = 0;
        value = 0;
        wide = false;
        for (; at_ < text_.size(); ++at_) {
            const char c = text_[at_];
            if (c == '_') continue;
            const int digit = HexDigitValue(c);
            if (digit < 0) break;
            ++digits;
            if (value > std::numeric_limits<std::uint64_t>::max() >> 4) wide = true;
            value = value << 4 | static_cast<unsigned>(digit);
        }
        token = text_.substr(start, at_ - start);
        if (at_ < text_.size() && !IsSpace(text_[at_]) && text_[at_] != '/') {
            return Fail(CharacterText(text_[at_]) + " is not a hex digit");
        }
        return {};
    }

    ImageError ReadAddress() {
        std::string_view token;
        unsigned digits = 0;
        std::uint64_t value = 0;
        bool wide = false;
        if (at_ >= text_.size() || HexDigitValue(text_[at_]) < 0) {
            return Fail("'@' is followed by the index of the next word, in hex digits");
        }
        if (ImageError error = Digits(token, digits, value, wide)) return error;
        if (wide) return Fail(std::string("the index @") + Shown(token) + " is more than 64 bits");
        index_ = value;
        pastEnd_ = false;
        return {};
    }

    ImageError ReadWord() {
        std::string_view token;
        unsigned digits = 0;
        std::uint64_t value = 0;
        bool wide = false;
        if (ImageError error = Digits(token, digits, value, wide)) return error;
        const unsigned maxDigits = (width_ + 3) / 4;
        if (digits > maxDigits) {
            return Fail(std::string("the word ") + Shown(token) + " has " + std::to_string(digits) +
                        " hex digits, more than " + std::to_string(width_) + " bits take");
        }
        if (width_ < 64 && value >> width_ != 0) {
            return Fail(std::string("the word ") + Shown(token) + " does not fit in " +
                        std::to_string(width_) + " bits");
        }
        if (pastEnd_)
            return Fail(std::string("the word ") + Shown(token) + " comes after the last index");
        // The word's bytes, least significant first, at its index times their count; an index
        // past what 64-bit byte addresses reach lands beyond 4 GiB all the same, which the
        // image's plan refuses.
        std::uint8_t bytes[8];
        for (unsigned i = 0; i < wordBytes_; ++i)
            bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
        constexpr std::uint64_t kLast = std::numeric_limits<std::uint64_t>::max();
        const std::uint64_t address =
            index_ > kLast / wordBytes_ - 1 ? kLast - wordBytes_ : index_ * wordBytes_;
        chunks_.Add(address, bytes, wordBytes_, line_);
        pastEnd_ = index_ == kLast;
        ++index_;
        return {};
    }

    std::string_view text_;
    unsigned width_;
    unsigned wordBytes_;
    ImageChunks& chunks_;
    std::size_t at_ = 0;
    std::uint64_t line_ = 1;
    std::uint64_t index_ = 0;
    bool pastEnd_ = false;  // a word had the last index there is
};

}  // namespace

ImageError ReadHexWords(const std::uint8_t* bytes, std::size_t size, unsigned widthBits,
                        ImageChunks& chunks) {
    widthBits = std::clamp(widthBits, 1u, 64u);
    WordReader reader(std::string_view(reinterpret_cast<const char*>(bytes), size), widthBits,
                      chunks);
    return reader.Read();
}
