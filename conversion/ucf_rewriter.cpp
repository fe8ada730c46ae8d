#include "conversion/ucf_rewriter.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>

#include "conversion/byte_classes.h"
#include "conversion/line_feed_finder.h"
#include "conversion/sse2_support.h"
#include "conversion/text_scanning.h"

namespace {

constexpr std::size_t kChunkBytes = 32;          // one INIT attribute: 256 bits
constexpr std::uint32_t kLinesPerInstance = 16;  // INIT_00 .. INIT_0F
constexpr std::string_view kKeyword = "INST ";
constexpr std::string_view kAttribute = " INIT_0";
constexpr std::string_view kAssign = " = ";
constexpr std::string_view kLineEnd = ";\r\n";
constexpr std::size_t kHexDigits = 2 * kChunkBytes;

bool IsXst(SynthesizerKind s) {
    return s == SynthesizerKind::Xst;
}
bool IsSynopsys(SynthesizerKind s) {
    return s == SynthesizerKind::Synopsys;
}

// ---- Removal -------------------------------------------------------------------------------

// True when the four bytes at `p` spell the keyword in any letter case. Setting bit 5 folds
// exactly the two cases of each of these letters and nothing else onto the lower-case byte.
bool IsKeywordAt(const char* p) {
    return (static_cast<unsigned char>(p[0]) | 0x20) == 'i' &&
           (static_cast<unsigned char>(p[1]) | 0x20) == 'n' &&
           (static_cast<unsigned char>(p[2]) | 0x20) == 's' &&
           (static_cast<unsigned char>(p[3]) | 0x20) == 't';
}

// Position after the blanks, or the digits, starting at `pos`: SkipBlanks and TakeDigits in
// a form the hot loop can inline.
std::size_t BlanksEnd(const char* text, std::size_t pos, std::size_t end) {
    while (pos < end && IsBlank(static_cast<unsigned char>(text[pos]))) ++pos;
    return pos;
}
std::size_t DigitsEnd(const char* text, std::size_t pos, std::size_t end) {
    while (pos < end && IsDigit(static_cast<unsigned char>(text[pos]))) ++pos;
    return pos;
}

// Tests what follows a line-leading keyword at `pos`: blanks, the component in any case, then
// the convention's instance suffix and a blank. Leaves `pos` as far as the test got, whether
// or not the line matches, because the search for the next keyword goes on from there.
bool IsComponentInstance(const char* text, std::size_t end, std::size_t& pos,
                         std::string_view foldedComponent, SynthesizerKind synthesizer) {
    const std::size_t name = BlanksEnd(text, pos, end);
    if (name == pos) return false;
    pos = name;
    if (end - pos < foldedComponent.size()) return false;
    for (std::size_t i = 0; i < foldedComponent.size(); ++i) {
        if (FoldAscii(static_cast<unsigned char>(text[pos + i])) !=
            static_cast<unsigned char>(foldedComponent[i]))
            return false;
    }
    pos += foldedComponent.size();

    if (IsSynopsys(synthesizer)) {
        if (pos >= end) return false;
        const auto ch = static_cast<unsigned char>(text[pos]);
        if (IsBlank(ch)) return true;  // the base instance: no suffix
        if (ch != '_') return false;
        ++pos;
    }
    const std::size_t digitsEnd = DigitsEnd(text, pos, end);
    if (digitsEnd == pos) return false;
    pos = BlanksEnd(text, digitsEnd, end);
    return pos > digitsEnd;
}

// Appends `ucfText` without the lines of the component's instances. This is the literal walk
// "find the next INST, check it starts its line, check what follows" with the search narrowed
// to the only places where a find can start a line: the first non-blank of each line. Finds
// elsewhere only ever move the cursor past themselves, and the keyword cannot overlap itself,
// so skipping them changes nothing.
void AppendKeptText(std::string& out, std::string_view ucfText, std::string_view foldedComponent,
                    SynthesizerKind synthesizer) {
    if (!IsSynopsys(synthesizer) && !IsXst(synthesizer)) {
        out.append(ucfText);  // no convention: nothing is ever removed
        return;
    }
    // Between a keyword and the cursor stand only blanks, digits, "_" and the name, so the
    // cursor stays on the keyword's line unless the name itself holds a line feed.
    const bool nameSpansLines = foldedComponent.find('\n') != std::string_view::npos;
    const char* text = ucfText.data();
    const std::size_t end = ucfText.size();
    std::size_t mark = 0;    // start of the text not yet copied
    std::size_t cursor = 0;  // where the search goes on
    // While only blanks stand between the cursor and its line start, that line start.
    bool atHead = true;
    std::size_t head = 0;
    LineFeedFinder lineFeeds(text, end);

    for (;;) {
        std::size_t lineStart;
        if (atHead) {
            lineStart = head;
        } else {
            cursor = lineFeeds.NextLineStart(cursor);
            if (cursor >= end) break;
            lineStart = cursor;
        }
        const std::size_t word = BlanksEnd(text, cursor, end);
        if (end - word < 4) break;  // no room for the keyword anywhere further on
        if (!IsKeywordAt(text + word)) {
            cursor = word;
            atHead = false;
            continue;
        }
        cursor = word + 4;
        const bool remove = IsComponentInstance(text, end, cursor, foldedComponent, synthesizer);
        atHead = false;
        if (nameSpansLines) {
            const auto blankHead = BlankLineStart(ucfText, cursor);
            atHead = blankHead.has_value();
            head = blankHead.value_or(0);
        }
        if (remove) {
            // With such a name the removed span may already reach past this line's start.
            if (lineStart > mark) out.append(text + mark, lineStart - mark);
            mark = lineFeeds.NextLineStart(cursor);
            if (!atHead) {
                cursor = mark;  // the next line starts where the copying resumes
                if (cursor >= end) break;
                atHead = true;
                head = cursor;
            }
        }
    }
    if (mark < end) out.append(text + mark, end - mark);
}

// ---- Generation ----------------------------------------------------------------------------

// "00" .. "FF": two upper-case hex digits per byte value.
constexpr std::array<std::array<char, 2>, 256> MakeHexPairs() {
    std::array<std::array<char, 2>, 256> pairs{};
    constexpr char digits[] = "0123456789ABCDEF";
    for (int b = 0; b < 256; ++b) pairs[b] = {digits[b >> 4], digits[b & 15]};
    return pairs;
}
constexpr auto kHexPairs = MakeHexPairs();

// Appends the instance suffix of instance `k`; no convention keeps the base name throughout.
void AppendInstanceSuffix(std::string& out, SynthesizerKind synthesizer, std::uint32_t k) {
    if (!IsXst(synthesizer) && !(IsSynopsys(synthesizer) && k > 0)) return;
    if (IsSynopsys(synthesizer)) out.push_back('_');
    char digits[10];
    const auto written = std::to_chars(std::begin(digits), std::end(digits), k);
    out.append(digits, written.ptr);
}

std::size_t DecimalLength(std::uint32_t k) {
    std::size_t n = 1;
    while (k >= 10) {
        k /= 10;
        ++n;
    }
    return n;
}

std::size_t SuffixLength(SynthesizerKind synthesizer, std::uint32_t k) {
    if (IsXst(synthesizer)) return DecimalLength(k);
    if (IsSynopsys(synthesizer) && k > 0) return 1 + DecimalLength(k);
    return 0;
}

std::uint32_t LineCount(std::uint32_t size) {
    return size / kChunkBytes + (size % kChunkBytes != 0 ? 1 : 0);
}

// Exact size of the generated lines, counted wide so that a 32-bit build cannot wrap.
std::uint64_t GeneratedSize(std::uint32_t size, std::size_t componentLength,
                            SynthesizerKind synthesizer) {
    const std::uint64_t fixed = kKeyword.size() + componentLength + kAttribute.size() + 1 +
                                kAssign.size() + kHexDigits + kLineEnd.size();
    const std::uint32_t lines = LineCount(size);
    std::uint64_t total = std::uint64_t{lines} * fixed;
    if (IsXst(synthesizer) || IsSynopsys(synthesizer)) {
        for (std::uint32_t k = 0; std::uint64_t{k} * kLinesPerInstance < lines; ++k) {
            const std::uint32_t inInstance =
                std::min<std::uint32_t>(kLinesPerInstance, lines - k * kLinesPerInstance);
            total += std::uint64_t{inInstance} * SuffixLength(synthesizer, k);
        }
    }
    return total;
}

#if defined(QUILLON_HAVE_SSE2)
// Sixteen bytes in reverse order.
__m128i Reversed(__m128i v) {
    v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
    v = _mm_shufflelo_epi16(v, _MM_SHUFFLE(0, 1, 2, 3));
    v = _mm_shufflehi_epi16(v, _MM_SHUFFLE(0, 1, 2, 3));
    return _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2));
}

// Nibble values 0..15 to "0".."9", "A".."F".
__m128i HexDigits(__m128i nibbles) {
    const __m128i letter = _mm_cmpgt_epi8(nibbles, _mm_set1_epi8(9));
    return _mm_add_epi8(_mm_add_epi8(nibbles, _mm_set1_epi8('0')),
                        _mm_and_si128(letter, _mm_set1_epi8('A' - '0' - 10)));
}

// 32 digits for sixteen bytes, last byte first.
void WriteReversedHex(char* out, __m128i bytes) {
    const __m128i v = Reversed(bytes);
    const __m128i low4 = _mm_set1_epi8(0x0F);
    const __m128i high = HexDigits(_mm_and_si128(_mm_srli_epi16(v, 4), low4));
    const __m128i low = HexDigits(_mm_and_si128(v, low4));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(high, low));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_unpackhi_epi8(high, low));
}
#endif

// The value part: byte i of the chunk lands in digit pair 31 - i, so the rightmost pair holds
// the first byte; the pairs of bytes missing from a short last chunk are "00".
char* WriteValue(char* out, const std::uint8_t* chunk, std::size_t count) {
#if defined(QUILLON_HAVE_SSE2)
    if (count == kChunkBytes) {
        WriteReversedHex(out, _mm_loadu_si128(reinterpret_cast<const __m128i*>(chunk + 16)));
        WriteReversedHex(out + 32, _mm_loadu_si128(reinterpret_cast<const __m128i*>(chunk)));
        return out + kHexDigits;
    }
#endif
    if (count < kChunkBytes) std::memset(out, '0', 2 * (kChunkBytes - count));
    for (std::size_t i = 0; i < count; ++i)
        std::memcpy(out + 2 * (kChunkBytes - 1 - i), kHexPairs[chunk[i]].data(), 2);
    return out + kHexDigits;
}

char AttributeDigit(std::uint32_t line) {
    return "0123456789ABCDEF"[line % kLinesPerInstance];
}

// Appends one line per 32 bytes (and one for a shorter rest). Lines are formatted into a
// small buffer that stays in cache and appended a block at a time, so every output byte is
// written once into memory reserved beforehand.
void AppendGeneratedLines(std::string& out, const std::uint8_t* data, std::uint32_t size,
                          std::string_view component, SynthesizerKind synthesizer) {
    const std::uint32_t lines = LineCount(size);
    std::string prefix;  // "INST <component><suffix> INIT_0x = "
    std::size_t digitAt = 0;
    std::array<char, 16 * 1024> block;
    std::size_t used = 0;

    for (std::uint32_t line = 0; line < lines; ++line) {
        if (line % kLinesPerInstance == 0) {
            prefix.assign(kKeyword);
            prefix.append(component);
            AppendInstanceSuffix(prefix, synthesizer, line / kLinesPerInstance);
            prefix.append(kAttribute);
            digitAt = prefix.size();
            prefix.push_back('0');
            prefix.append(kAssign);
        }
        const std::size_t lineLength = prefix.size() + kHexDigits + kLineEnd.size();
        if (lineLength > block.size() - used) {
            out.append(block.data(), used);
            used = 0;
        }
        // A long component name can outgrow the buffer: such a line is appended by itself.
        std::string own;
        char* p = block.data() + used;
        if (lineLength > block.size()) {
            own.resize(lineLength);
            p = own.data();
        }
        char* const start = p;
        std::memcpy(p, prefix.data(), prefix.size());
        p[digitAt] = AttributeDigit(line);
        p += prefix.size();
        const std::size_t offset = std::size_t{line} * kChunkBytes;
        const std::size_t count = std::min<std::size_t>(kChunkBytes, size - offset);
        p = WriteValue(p, data + offset, count);
        std::memcpy(p, kLineEnd.data(), kLineEnd.size());
        if (!own.empty()) {
            out.append(own);
        } else {
            used += static_cast<std::size_t>(p + kLineEnd.size() - start);
        }
    }
    out.append(block.data(), used);
}

}  // namespace

std::string RewriteUcf(const std::uint8_t* data, std::uint32_t size, std::string_view ucfText,
                       std::string_view component, SynthesizerKind synthesizer) {
    std::string folded(component);
    for (char& c : folded) c = static_cast<char>(FoldAscii(static_cast<unsigned char>(c)));

    // One allocation: the kept text is at most the old text, the generated part is exact.
    std::string out;
    const std::uint64_t bound =
        std::uint64_t{ucfText.size()} + 2 + GeneratedSize(size, component.size(), synthesizer);
    if (bound > out.max_size()) throw std::length_error("RewriteUcf: result too large");
    out.reserve(static_cast<std::size_t>(bound));

    AppendKeptText(out, ucfText, folded, synthesizer);
    // Without a line feed before it, the first new line would continue the user's last line.
    if (size > 0 && !out.empty() && out.back() != '\n') out.append("\r\n");
    AppendGeneratedLines(out, data, size, component, synthesizer);
    return out;
}
