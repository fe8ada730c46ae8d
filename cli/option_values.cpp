#include "cli/option_values.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>

#include "conversion/core/generated_lines.h"

namespace {

std::string Lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

template <typename T>
std::optional<T> ByName(const std::map<std::string, T>& names, const std::string& value) {
    const auto found = names.find(Lowered(value));
    if (found == names.end()) return std::nullopt;
    return found->second;
}

// The whole of `text` as a number in `radix`.
std::optional<std::uint64_t> Number(std::string_view text, int radix) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value, radix);
    if (text.empty() || error != std::errc() || at != end) return std::nullopt;
    return value;
}

// Hex after "0x" (any letter case), else decimal.
std::optional<std::uint64_t> HexOrDecimal(const std::string& value) {
    if (value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X'))
        return Number(std::string_view(value).substr(2), 16);
    return Number(value, 10);
}

const std::map<std::string, SynthesizerKind>& SynthesizerNames() {
    static const std::map<std::string, SynthesizerKind> names = {
        {"synopsys", SynthesizerKind::Synopsys},
        {"xst", SynthesizerKind::Xst},
        {"none", kNoConvention}};
    return names;
}

const std::map<std::string, ImageFormat>& FormatNames() {
    static const std::map<std::string, ImageFormat> names = {
        {"auto", ImageFormat::Auto},    {"bin", ImageFormat::Bin}, {"ihex", ImageFormat::IntelHex},
        {"srec", ImageFormat::SRecord}, {"elf", ImageFormat::Elf}, {"mem", ImageFormat::HexWords}};
    return names;
}

}  // namespace

std::optional<SynthesizerKind> SynthesizerByName(const std::string& value) {
    return ByName(SynthesizerNames(), value);
}

std::string SynthesizerOptionName(SynthesizerKind synthesizer) {
    if (!HasNamingConvention(synthesizer)) return "none";
    for (const auto& [name, kind] : SynthesizerNames())
        if (kind == synthesizer) return name;
    return "none";
}

std::optional<std::uint32_t> LinesPerInstanceByName(const std::string& value) {
    static const std::map<std::string, std::uint32_t> names = {
        {"4k", kLinesPerInstance4k}, {"16k", kLinesPerInstance16k}, {"32k", kLinesPerInstance32k}};
    return ByName(names, value);
}

std::optional<ImageFormat> FormatByOptionName(const std::string& value) {
    return ByName(FormatNames(), value);
}

std::string FormatOptionName(ImageFormat format) {
    for (const auto& [name, kind] : FormatNames())
        if (kind == format) return name;
    return "bin";
}

std::optional<ListingFormat> ListingFormatByName(const std::string& value) {
    static const std::map<std::string, ListingFormat> names = {{"text", ListingFormat::Text},
                                                               {"json", ListingFormat::Json}};
    return ByName(names, value);
}

bool FormatOrListingByName(const std::string& value) {
    return FormatByOptionName(value) || ListingFormatByName(value);
}

std::optional<unsigned> WidthBits(const std::string& value) {
    const std::optional<std::uint64_t> bits = Number(value, 10);
    if (!bits || *bits > 64) return std::nullopt;
    return static_cast<unsigned>(*bits);
}

std::optional<unsigned> SwapWidth(const std::string& value) {
    if (value != "2" && value != "4" && value != "8") return std::nullopt;
    return static_cast<unsigned>(value[0] - '0');
}

std::optional<std::uint64_t> InstanceCount(const std::string& value) {
    const std::optional<std::uint64_t> count = Number(value, 10);
    if (!count || *count == 0) return std::nullopt;
    return count;
}

std::optional<std::uint64_t> Address(const std::string& value) {
    return HexOrDecimal(value);
}

std::optional<std::uint8_t> FillByte(const std::string& value) {
    const std::optional<std::uint64_t> byte = HexOrDecimal(value);
    if (!byte || *byte > 0xFF) return std::nullopt;
    return static_cast<std::uint8_t>(*byte);
}
