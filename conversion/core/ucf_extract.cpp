#include "conversion/core/ucf_extract.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <optional>
#include <stdexcept>

#include "conversion/core/bit_packing.h"
#include "conversion/core/byte_classes.h"
#include "conversion/core/generated_lines.h"
#include "conversion/core/text_scanning.h"

namespace {

constexpr std::uint64_t kMaxImageBytes = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint64_t kLargestSuffix = std::uint64_t{1} << 40;  // far past any image
constexpr std::size_t kValueDigits = 2 * kBytesPerLine;
constexpr char kHexDigits[] = "0123456789ABCDEF";

int HexValue(unsigned char c) {
    if (IsDigit(c)) return c - '0';
    const unsigned char folded = FoldAscii(c);
    return folded >= 'a' && folded <= 'f' ? folded - 'a' + 10 : -1;
}

std::size_t SkipHexDigits(TextCursor& cursor) {
    return SkipClass(cursor, [](unsigned char c) { return HexValue(c) >= 0; });
}

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
    return upper;
}

std::string AttributeName(bool parity, std::uint64_t number) {
    std::string name = parity ? "INITP_" : "INIT_";
    name += kHexDigits[(number >> 4) & 15];
    name += kHexDigits[number & 15];
    return name;
}

// One INIT_xx or INITP_xx line of a lane, as found.
struct Entry {
    std::uint64_t index;  // among the lane's data or parity lines: instance x lines + attribute
    std::size_t value;    // where its 64 digits start in the text
    std::uint64_t line;   // in the UCF, from 1
    std::uint32_t instance;
    std::uint32_t lane;
    bool parity;
};

// An instance name of one of the components, as the removal matches it.
struct InstanceMatch {
    std::uint32_t lane;
    std::uint64_t number;  // the suffix's value, at most kLargestSuffix
    bool chainName;        // a name the convention gives (no "_0", no leading zeros)
    std::string_view name;
};

class Extraction {
public:
    Extraction(std::string_view text, std::span<const std::string_view> components,
               SynthesizerKind synthesizer, const MemoryLayout& layout, ExtractedFormat format)
        : text_(text),
          components_(components),
          synthesizer_(synthesizer),
          layout_(layout),
          format_(format),
          d_(DataBits(layout.width)),
          p_(ParityBits(layout.width)),
          dataPerInstance_(layout.linesPerInstance),
          parityPerInstance_(p_ != 0 ? ParityLinesPerInstance(layout) : 0) {}

    ExtractedImage Run();

private:
    std::optional<InstanceMatch> MatchInstance(TextCursor& cursor) const;
    bool ReadLine(std::size_t start, std::uint64_t line);
    bool Fail(ExtractFailure failure, std::uint64_t line, std::string reason);
    bool Fill();
    void FindMissingLines();
    void CountLanes();
    void WriteImage();
    std::string InstanceOf(std::uint32_t lane, std::uint64_t k) const {
        return InstanceName(
            GeneratedLines{nullptr, 0, components_[lane], synthesizer_, dataPerInstance_},
            static_cast<std::uint32_t>(k));
    }
    void DecodeValue(std::size_t at, char* out) const {
        // The rightmost digit pair is the line's first byte.
        for (std::size_t i = 0; i < kBytesPerLine; ++i) {
            const std::size_t pair = at + kValueDigits - 2 * (i + 1);
            out[i] = static_cast<char>((HexValue(static_cast<unsigned char>(text_[pair])) << 4) |
                                       HexValue(static_cast<unsigned char>(text_[pair + 1])));
        }
    }

    const std::string_view text_;
    const std::span<const std::string_view> components_;
    const SynthesizerKind synthesizer_;
    const MemoryLayout layout_;
    const ExtractedFormat format_;
    const unsigned d_, p_;
    const std::uint32_t dataPerInstance_, parityPerInstance_;

    ExtractedImage result_;
    std::vector<Entry> entries_;
    std::uint64_t dataLines_ = 0;             // each lane's, through the last INIT_xx line present
    std::uint64_t parityLines_ = 0;           // each lane's parity lines for those words
    std::vector<std::string> data_, parity_;  // each lane's bits
    std::vector<std::vector<bool>> dataPresent_, parityPresent_;
};

std::optional<InstanceMatch> Extraction::MatchInstance(TextCursor& cursor) const {
    if (SkipBlanks(cursor) == 0) return std::nullopt;
    const std::size_t nameStart = cursor.pos;
    for (std::uint32_t lane = 0; lane < components_.size(); ++lane) {
        TextCursor at{text_, nameStart};
        if (!MatchesNoCase(text_, at.pos, components_[lane])) continue;
        at.pos += components_[lane].size();
        if (at.pos >= text_.size()) continue;
        InstanceMatch match{lane, 0, true, {}};
        const bool blank = IsBlank(static_cast<unsigned char>(text_[at.pos]));
        if (blank && !IsXst(synthesizer_)) {
            match.name = text_.substr(nameStart, at.pos - nameStart);
        } else if (IsXst(synthesizer_) || (IsSynopsys(synthesizer_) && text_[at.pos] == '_')) {
            if (IsSynopsys(synthesizer_)) ++at.pos;
            const std::size_t digits = at.pos;
            if (TakeDigits(at) == 0) continue;
            match.name = text_.substr(nameStart, at.pos - nameStart);
            for (std::size_t i = digits; i < at.pos; ++i)
                match.number = std::min(match.number * 10 + (text_[i] - '0'), kLargestSuffix);
            match.chainName = text_[digits] != '0' || (IsXst(synthesizer_) && at.pos == digits + 1);
            if (at.pos >= text_.size() || !IsBlank(static_cast<unsigned char>(text_[at.pos])))
                continue;
        } else {
            continue;
        }
        SkipBlanks(at);
        cursor = at;
        return match;
    }
    return std::nullopt;
}

bool Extraction::Fail(ExtractFailure failure, std::uint64_t line, std::string reason) {
    result_.failure = failure;
    result_.failedLine = line;
    result_.reason = (line != 0 ? "line " + std::to_string(line) + ": " : "") + reason;
    return false;
}

bool Extraction::ReadLine(std::size_t start, std::uint64_t line) {
    TextCursor cursor{text_, start};
    SkipBlanks(cursor);
    if (!MatchesNoCase(text_, cursor.pos, "INST")) return true;
    cursor.pos += 4;
    const std::optional<InstanceMatch> instance = MatchInstance(cursor);
    if (!instance) return true;

    const std::size_t attributeStart = cursor.pos;
    const bool parity = MatchesNoCase(text_, cursor.pos, "INITP_");
    if (!parity && !MatchesNoCase(text_, cursor.pos, "INIT_")) return true;  // a placement
    cursor.pos += parity ? 6 : 5;
    const std::size_t digitsStart = cursor.pos;
    const std::size_t digits = SkipHexDigits(cursor);
    if (digits == 0 || cursor.pos >= text_.size() ||
        !(IsBlank(static_cast<unsigned char>(text_[cursor.pos])) || text_[cursor.pos] == '='))
        return true;  // another attribute, as the removal's count of INIT_xx lines has it
    const std::string attribute =
        UpperCase(text_.substr(attributeStart, cursor.pos - attributeStart));
    const std::string what = std::string(instance->name) + " " + attribute;

    if (!instance->chainName) {
        const std::string component(components_[instance->lane]);
        const std::string names = IsXst(synthesizer_) ? component + "0, " + component + "1, ..."
                                                      : component + ", " + component + "_1, ...";
        return Fail(ExtractFailure::NotAnInstanceName, line,
                    std::string(instance->name) + " is not one of the instance names " + names);
    }
    const std::uint32_t perInstance = parity ? parityPerInstance_ : dataPerInstance_;
    std::uint64_t number = 0;
    for (std::size_t i = digitsStart; i < cursor.pos; ++i)
        number = std::min<std::uint64_t>(
            number * 16 + static_cast<unsigned>(HexValue(static_cast<unsigned char>(text_[i]))),
            0x100);
    if (parity && p_ == 0)
        return Fail(ExtractFailure::AttributeOutsideGeometry, line,
                    attribute + " sets parity bits, which a width of " +
                        std::to_string(layout_.width) + " has none of");
    if (digits != 2 || number >= perInstance) {
        const std::uint32_t kbits = layout_.linesPerInstance / 4;
        std::string known = "INIT_00 .. " + AttributeName(false, dataPerInstance_ - 1);
        if (parityPerInstance_ != 0)
            known += ", INITP_00 .. " + AttributeName(true, parityPerInstance_ - 1);
        return Fail(ExtractFailure::AttributeOutsideGeometry, line,
                    attribute + " is not an attribute of a " + std::to_string(kbits) +
                        "-Kbit block RAM (" + known + ")");
    }

    SkipBlanks(cursor);
    bool valid = cursor.pos < text_.size() && text_[cursor.pos] == '=';
    std::size_t value = 0;
    if (valid) {
        ++cursor.pos;
        SkipBlanks(cursor);
        value = cursor.pos;
        valid = SkipHexDigits(cursor) == kValueDigits;
        SkipBlanks(cursor);
        valid = valid && (cursor.pos >= text_.size() || text_[cursor.pos] == ';' ||
                          text_[cursor.pos] == '\r' || text_[cursor.pos] == '\n');
    }
    if (!valid)
        return Fail(ExtractFailure::BadValue, line,
                    "the value of " + what + " is not 64 hex digits");
    if (instance->number * dataPerInstance_ * kBytesPerLine > kMaxImageBytes)
        return Fail(ExtractFailure::ImageTooLarge, line,
                    what + " lies past the 4 GiB - 1 bytes an image can hold");
    entries_.push_back({instance->number * perInstance + number, value, line,
                        static_cast<std::uint32_t>(instance->number), instance->lane, parity});
    return true;
}

bool Extraction::Fill() {
    const std::uint64_t lanes = layout_.lanes;
    const Entry* last = nullptr;  // the INIT_xx line that ends the image
    for (const Entry& entry : entries_)
        if (!entry.parity && (last == nullptr || entry.index >= last->index)) last = &entry;
    dataLines_ = last != nullptr ? last->index + 1 : 0;
    parityLines_ = p_ != 0 ? (dataLines_ + 7) / 8 : 0;  // parity is an eighth of the data
    result_.words = dataLines_ * kBytesPerLine * 8 / d_;
    const std::uint64_t bits = result_.words * WordBits(layout_);
    const std::uint64_t size = format_ == ExtractedFormat::Raw
                                   ? bits / 8
                                   : result_.words * ((WordBits(layout_) + 3) / 4 + 1);
    if (last != nullptr &&
        (std::max(bits / 8, size) > kMaxImageBytes || size > result_.image.max_size()))
        return Fail(ExtractFailure::ImageTooLarge, last->line,
                    InstanceOf(last->lane, last->instance) + " " +
                        AttributeName(false, last->index % dataPerInstance_) +
                        " makes an image too large to hold (more than 4 GiB - 1 bytes)");

    data_.assign(lanes, std::string(static_cast<std::size_t>(dataLines_ * kBytesPerLine), '\0'));
    parity_.assign(lanes,
                   std::string(static_cast<std::size_t>(parityLines_ * kBytesPerLine), '\0'));
    dataPresent_.assign(lanes, std::vector<bool>(static_cast<std::size_t>(dataLines_)));
    parityPresent_.assign(lanes, std::vector<bool>(static_cast<std::size_t>(parityLines_)));
    const auto noteIgnoredParity = [this](std::uint32_t lane, std::uint64_t index) {
        if (result_.ignoredParityLines++ == 0)
            result_.firstIgnoredParity = InstanceOf(lane, index / parityPerInstance_) + " " +
                                         AttributeName(true, index % parityPerInstance_);
    };
    for (const Entry& entry : entries_) {
        const std::uint64_t lines = entry.parity ? parityLines_ : dataLines_;
        if (entry.index >= lines) {  // parity past the image's last word
            char bytes[kBytesPerLine];
            DecodeValue(entry.value, bytes);
            if (std::any_of(bytes, bytes + kBytesPerLine, [](char b) { return b != 0; }))
                noteIgnoredParity(entry.lane, entry.index);
            continue;
        }
        std::vector<bool>& present = (entry.parity ? parityPresent_ : dataPresent_)[entry.lane];
        if (present[static_cast<std::size_t>(entry.index)]) {
            const Entry& first =
                *std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) {
                    return e.lane == entry.lane && e.parity == entry.parity &&
                           e.index == entry.index;
                });
            const std::uint32_t perInstance = entry.parity ? parityPerInstance_ : dataPerInstance_;
            return Fail(ExtractFailure::GivenTwice, entry.line,
                        InstanceOf(entry.lane, entry.instance) + " " +
                            AttributeName(entry.parity, entry.index % perInstance) +
                            " is given a second time (first on line " + std::to_string(first.line) +
                            ")");
        }
        present[static_cast<std::size_t>(entry.index)] = true;
        std::string& stream = (entry.parity ? parity_ : data_)[entry.lane];
        DecodeValue(entry.value, stream.data() + entry.index * kBytesPerLine);
    }
    // The last parity line's bits past the last word: a whole number of bytes, since a lane's
    // parity bits are an eighth of its data bits (a multiple of 256).
    for (std::uint32_t lane = 0; lane < lanes && parityLines_ != 0; ++lane) {
        const std::string& stream = parity_[lane];
        if (std::any_of(
                stream.begin() + static_cast<std::ptrdiff_t>(dataLines_ * kBytesPerLine / 8),
                stream.end(), [](char b) { return b != 0; }))
            noteIgnoredParity(lane, parityLines_ - 1);
    }
    return true;
}

void Extraction::FindMissingLines() {
    const auto note = [this](std::uint32_t lane, std::uint64_t k, bool parity, std::uint64_t n) {
        if (result_.missingLines++ == 0)
            result_.firstMissing = InstanceOf(lane, k) + " " + AttributeName(parity, n);
    };
    for (std::uint32_t lane = 0; lane < layout_.lanes; ++lane) {
        for (std::uint64_t k = 0; k * dataPerInstance_ < dataLines_; ++k) {
            for (std::uint64_t n = 0; n < dataPerInstance_; ++n) {
                const std::uint64_t index = k * dataPerInstance_ + n;
                if (index < dataLines_ && !dataPresent_[lane][static_cast<std::size_t>(index)])
                    note(lane, k, false, n);
            }
            for (std::uint64_t n = 0; n < parityPerInstance_; ++n) {
                const std::uint64_t index = k * parityPerInstance_ + n;
                if (index < parityLines_ && !parityPresent_[lane][static_cast<std::size_t>(index)])
                    note(lane, k, true, n);
            }
        }
    }
}

void Extraction::CountLanes() {
    std::vector<std::vector<std::uint32_t>> instances(layout_.lanes);
    result_.lanes.resize(layout_.lanes);
    for (const Entry& entry : entries_) {
        ++result_.lanes[entry.lane].linesRead;
        instances[entry.lane].push_back(entry.instance);
    }
    for (std::uint32_t lane = 0; lane < layout_.lanes; ++lane) {
        std::vector<std::uint32_t>& found = instances[lane];
        std::sort(found.begin(), found.end());
        found.erase(std::unique(found.begin(), found.end()), found.end());
        LaneReading& reading = result_.lanes[lane];
        reading.instances = found.size();
        if (!found.empty()) {
            reading.firstInstance = InstanceOf(lane, found.front());
            reading.lastInstance = InstanceOf(lane, found.back());
        }
        reading.bits = result_.words * layout_.width;
    }
}

void Extraction::WriteImage() {
    const unsigned wordBits = WordBits(layout_);
    if (format_ == ExtractedFormat::Raw && layout_.lanes == 1 && p_ == 0 &&
        layout_.width % 8 == 0) {
        result_.image = std::move(data_[0]);  // the data bits are the image's bytes
        return;
    }
    std::vector<BitReader> data, parity;
    for (std::uint32_t lane = 0; lane < layout_.lanes; ++lane) {
        data.emplace_back(reinterpret_cast<const std::uint8_t*>(data_[lane].data()));
        parity.emplace_back(reinterpret_cast<const std::uint8_t*>(parity_[lane].data()));
    }
    const unsigned digits = (wordBits + 3) / 4;
    const unsigned wordSize = format_ == ExtractedFormat::Raw ? wordBits / 8 : digits + 1;
    result_.image.resize(static_cast<std::size_t>(result_.words * wordSize));
    char* out = result_.image.data();
    for (std::uint64_t k = 0; k < result_.words; ++k) {
        std::uint64_t word = 0;
        for (std::uint32_t lane = 0; lane < layout_.lanes; ++lane) {
            const std::uint64_t value = data[lane].Take(d_) | (parity[lane].Take(p_) << d_);
            word |= value << (lane * layout_.width);
        }
        if (format_ == ExtractedFormat::Raw) {
            for (unsigned i = 0; i < wordSize; ++i) *out++ = static_cast<char>(word >> (8 * i));
        } else {
            for (unsigned i = digits; i-- > 0;) *out++ = kHexDigits[(word >> (4 * i)) & 15];
            *out++ = '\n';
        }
    }
}

ExtractedImage Extraction::Run() {
    std::uint64_t line = 1;
    for (std::size_t start = 0; start < text_.size(); ++line) {
        if (!ReadLine(start, line)) return std::move(result_);
        start = NextLineStart(text_, start);
    }
    if (entries_.empty()) {
        std::string names;
        for (std::size_t i = 0; i < components_.size(); ++i) {
            if (i > 0) names += i + 1 == components_.size() ? " or " : ", ";
            names += components_[i];
        }
        Fail(ExtractFailure::NoLines, 0,
             components_.size() == 1
                 ? "no line of " + names + "'s instances holds INIT_xx or INITP_xx"
                 : "no line of the instances of " + names + " holds INIT_xx or INITP_xx");
        return std::move(result_);
    }
    if (!Fill()) return std::move(result_);
    FindMissingLines();
    CountLanes();
    WriteImage();
    return std::move(result_);
}

}  // namespace

ExtractedImage ExtractImage(std::string_view ucfText, std::span<const std::string_view> components,
                            SynthesizerKind synthesizer, const MemoryLayout& layout,
                            ExtractedFormat format) {
    const LayoutProblem problem =
        format == ExtractedFormat::Raw ? CheckByteLayout(layout) : CheckLayout(layout);
    if (problem != LayoutProblem::None || components.size() != layout.lanes)
        throw std::invalid_argument("ExtractImage: the layout or the components do not fit");
    return Extraction(ucfText, components, synthesizer, layout, format).Run();
}

std::vector<std::string> ExtractWarnings(const ExtractedImage& extracted) {
    std::vector<std::string> warnings;
    if (extracted.missingLines > 0) {
        const bool one = extracted.missingLines == 1;
        warnings.push_back(std::to_string(extracted.missingLines) + (one ? " line" : " lines") +
                           " before the image's end " + (one ? "is" : "are") +
                           " missing from the UCF, the first " + extracted.firstMissing + "; " +
                           (one ? "it reads" : "they read") + " as zeros");
    }
    if (extracted.ignoredParityLines > 0) {
        const bool one = extracted.ignoredParityLines == 1;
        warnings.push_back(std::to_string(extracted.ignoredParityLines) +
                           (one ? " INITP_xx line holds" : " INITP_xx lines hold") +
                           " parity bits past the last INIT_xx line's words, the first " +
                           extracted.firstIgnoredParity + "; they are not in the image");
    }
    return warnings;
}
