#include "conversion/core/generated_lines.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "conversion/core/hex_digits.h"
#include "conversion/core/hex_values.h"
#include "conversion/core/instance_names.h"

namespace {

constexpr std::size_t kChunkBytes = kBytesPerLine;  // one INIT attribute: 256 bits
constexpr std::string_view kKeyword = "INST ";
constexpr std::string_view kAttribute = " INIT_";
constexpr std::string_view kParityAttribute = " INITP_";
constexpr std::size_t kAttributeDigits = 2;
constexpr std::string_view kAssign = " = ";
constexpr std::string_view kLineEnd = ";\r\n";
constexpr std::size_t kValueDigits = 2 * kChunkBytes;
// Short prefixes are copied a fixed 32 bytes at a time, which the compiler turns into two
// moves instead of a call; a line is always longer than that, so nothing spills past it.
constexpr std::size_t kFixedPrefixCopy = 32;
static_assert(kValueDigits + kLineEnd.size() + kKeyword.size() > kFixedPrefixCopy);

char* Put(char* out, std::string_view text) {
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

std::string_view AttributeText(const GeneratedLines& lines) {
    return lines.attribute == LineAttribute::InitP ? kParityAttribute : kAttribute;
}

// The length of a line without its instance suffix:
// "INST <component> INIT_xx = <64 digits>;\r\n", with two quotes around a quoted name.
std::size_t FixedLineLength(const GeneratedLines& lines) {
    return kKeyword.size() + lines.component.size() + (lines.quotedNames ? 2 : 0) +
           AttributeText(lines).size() + kAttributeDigits + kAssign.size() + kValueDigits +
           kLineEnd.size();
}

// The attribute number of a line within its instance, as two upper-case hex digits.
void PutAttributeDigits(char* out, std::uint32_t number) {
    out[0] = kHexDigits[(number >> 4) & 15];
    out[1] = kHexDigits[number & 15];
}

}  // namespace

std::uint32_t GeneratedLineCount(const GeneratedLines& lines) {
    return lines.size / kChunkBytes + (lines.size % kChunkBytes != 0 ? 1 : 0);
}

std::uint32_t GeneratedInstanceCount(const GeneratedLines& lines) {
    const std::uint32_t count = GeneratedLineCount(lines);
    const std::uint32_t perInstance = lines.linesPerInstance;
    return count / perInstance + (count % perInstance != 0 ? 1 : 0);
}

std::uint64_t GeneratedTextSize(const GeneratedLines& lines) {
    const std::uint32_t count = GeneratedLineCount(lines);
    std::uint64_t total = std::uint64_t{count} * FixedLineLength(lines);
    if (HasNamingConvention(lines.synthesizer)) {
        const std::uint32_t perInstance = lines.linesPerInstance;
        for (std::uint32_t k = 0; std::uint64_t{k} * perInstance < count; ++k) {
            const std::uint32_t inInstance =
                std::min<std::uint32_t>(perInstance, count - k * perInstance);
            total += std::uint64_t{inInstance} * SuffixLength(lines.synthesizer, k);
        }
    }
    return total;
}

std::size_t LongestGeneratedLine(const GeneratedLines& lines) {
    return FixedLineLength(lines) + kLongestSuffix;
}

char* WriteGeneratedLines(const GeneratedLines& lines, std::uint32_t first, std::uint32_t count,
                          char* out) {
    static const HexValueWriter writeValues = FastestHexValueWriter();
    const std::uint32_t end = first + count;
    const std::uint32_t perInstance = lines.linesPerInstance;
    std::uint32_t line = first;
    while (line < end) {
        // The lines of one instance differ only in their attribute digits and value. The
        // first one here gets its prefix written out, the others copy it; the values of the
        // whole chunks are filled in afterwards in one go.
        const std::uint32_t instance = line / perInstance;
        const std::uint32_t runEnd =
            std::min(end, (instance + 1) * perInstance);  // at most 2^27 lines
        const char* const prefix = out;
        char* p = Put(out, kKeyword);
        if (lines.quotedNames) *p++ = '"';
        p = Put(p, lines.component);
        p = WriteSuffix(p, lines.synthesizer, instance);
        if (lines.quotedNames) *p++ = '"';
        p = Put(p, AttributeText(lines));
        const std::size_t digitAt = static_cast<std::size_t>(p - out);
        p = Put(p + kAttributeDigits, kAssign);
        const std::size_t prefixLength = static_cast<std::size_t>(p - out);
        const std::size_t lineLength = prefixLength + kValueDigits + kLineEnd.size();

        char* const firstValue = out + prefixLength;
        std::uint32_t number = line - instance * perInstance;  // the attribute's
        for (std::uint32_t at = line; at < runEnd; ++at) {
            if (out != prefix) {
                if (prefixLength <= kFixedPrefixCopy) {
                    std::memcpy(out, prefix, kFixedPrefixCopy);
                } else {
                    std::memcpy(out, prefix, prefixLength);
                }
            }
            PutAttributeDigits(out + digitAt, number++);
            Put(out + prefixLength + kValueDigits, kLineEnd);
            out += lineLength;
        }
        const std::uint32_t whole =
            std::min(runEnd, lines.size / static_cast<std::uint32_t>(kChunkBytes));
        const std::uint32_t wholeHere = whole > line ? whole - line : 0;
        const std::uint8_t* const chunk = lines.data + std::size_t{line} * kChunkBytes;
        writeValues(firstValue, lineLength, chunk, wholeHere);
        if (line + wholeHere < runEnd) {  // the short last chunk of the source
            WriteHexValue(firstValue + wholeHere * lineLength, chunk + wholeHere * kChunkBytes,
                          lines.size - (line + wholeHere) * kChunkBytes);
        }
        line = runEnd;
    }
    return out;
}
