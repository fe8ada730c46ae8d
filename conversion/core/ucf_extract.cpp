#include "conversion/core/ucf_extract.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>

#include "conversion/core/bit_packing.h"
#include "conversion/core/byte_classes.h"
#include "conversion/core/byte_order.h"
#include "conversion/core/generated_lines.h"
#include "conversion/core/hex_digits.h"
#include "conversion/core/image_limit.h"
#include "conversion/core/init_attribute.h"
#include "conversion/core/instance_names.h"
#include "conversion/core/text_scanning.h"

namespace {

constexpr std::size_t kValueDigits = 2 * kBytesPerLine;
// Names as the command line's removal reads them: quoted too, and without a convention the
// component's own name.
constexpr NameReading kReading{true, true};

std::size_t SkipHexDigits(TextCursor& cursor) {
    return SkipClass(cursor, [](unsigned char c) { return IsHexDigit(static_cast<char>(c)); });
}

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
    return upper;
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

class Extraction {
public:
    Extraction(std::string_view text, std::span<const std::string_view> components,
               SynthesizerKind synthesizer, const MemoryLayout& layout, ExtractedFormat format,
               std::uint64_t maxInstances)
        : text_(text),
          components_(components),
          synthesizer_(synthesizer),
          layout_(layout),
          names_(components, synthesizer, kReading),
          maxInstances_(maxInstances),
          d_(DataBits(layout.width)),
          p_(ParityBits(layout.width)),
          dataPerInstance_(layout.linesPerInstance),
          parityPerInstance_(p_ != 0 ? ParityLinesPerInstance(layout) : 0) {
        result_.layout = layout;
        result_.format = format;
    }

    ExtractedImage Run();

private:
    bool ReadLine(std::size_t start, std::uint64_t line);
    bool Fail(ExtractFailure failure, std::uint64_t line, std::string reason);
    bool Plan();
    bool Fill();
    void FindMissingLines();
    void CountLanes();
    std::string InstanceOf(std::uint32_t lane, std::uint64_t k) const {
        return InstanceName(components_[lane], synthesizer_, static_cast<std::uint32_t>(k));
    }
    void DecodeValue(std::size_t at, char* out) const {
        // The rightmost digit pair is the line's first byte.
        for (std::size_t i = 0; i < kBytesPerLine; ++i) {
            const std::size_t pair = at + kValueDigits - 2 * (i + 1);
            out[i] =
                static_cast<char>(HexDigitValue(text_[pair]) << 4 | HexDigitValue(text_[pair + 1]));
        }
    }

    const std::string_view text_;
    const std::span<const std::string_view> components_;
    const SynthesizerKind synthesizer_;
    const MemoryLayout layout_;
    const InstanceNameMatcher names_;
    const std::uint64_t maxInstances_;
    const unsigned d_, p_;
    const std::uint32_t dataPerInstance_, parityPerInstance_;

    ExtractedImage result_;
    std::vector<Entry> entries_;
    const Entry* last_ = nullptr;    // the INIT_xx line that ends the image
    std::uint64_t dataLines_ = 0;    // each lane's, through the last INIT_xx line present
    std::uint64_t parityLines_ = 0;  // each lane's parity lines for those words
    std::vector<std::vector<bool>> dataPresent_, parityPresent_;
};

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
    InstanceMatch found;
    if (!names_.Match(text_, cursor.pos + 4, found)) return true;
    const InstanceMatch* instance = &found;
    const std::uint64_t suffix = found.Number(text_);
    const std::optional<InitAttribute> init = MatchInitAttribute(text_, instance->end);
    if (!init) return true;  // a placement, or another attribute, as the removal counts them
    const bool parity = init->parity;
    const std::string attribute = UpperCase(text_.substr(init->start, init->end - init->start));
    const std::string_view name =
        text_.substr(instance->nameStart, instance->nameEnd - instance->nameStart);
    const std::string what = std::string(name) + " " + attribute;

    if (!instance->Written(text_, synthesizer_)) {
        const std::string component(components_[instance->component]);
        const std::string names = IsXst(synthesizer_) ? component + "0, " + component + "1, ..."
                                                      : component + ", " + component + "_1, ...";
        return Fail(ExtractFailure::NotAnInstanceName, line,
                    std::string(name) + " is not one of the instance names " + names);
    }
    const std::uint32_t perInstance = parity ? parityPerInstance_ : dataPerInstance_;
    std::uint64_t number = 0;
    for (std::size_t i = init->digitsAt; i < init->end; ++i)
        number = std::min<std::uint64_t>(
            number * 16 + static_cast<unsigned>(HexDigitValue(text_[i])), 0x100);
    if (parity && p_ == 0)
        return Fail(ExtractFailure::AttributeOutsideGeometry, line,
                    attribute + " sets parity bits, which a width of " +
                        std::to_string(layout_.width) + " has none of");
    if (init->digits != 2 || number >= perInstance) {
        const std::uint32_t kbits = layout_.linesPerInstance / 4;
        std::string known = "INIT_00 .. " + AttributeName(false, dataPerInstance_ - 1);
        if (parityPerInstance_ != 0)
            known += ", INITP_00 .. " + AttributeName(true, parityPerInstance_ - 1);
        return Fail(ExtractFailure::AttributeOutsideGeometry, line,
                    attribute + " is not an attribute of a " + std::to_string(kbits) +
                        "-Kbit block RAM (" + known + ")");
    }

    cursor.pos = init->end;
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
    if (suffix * dataPerInstance_ * kBytesPerLine > kMaxImageSize)
        return Fail(ExtractFailure::ImageTooLarge, line,
                    what + " lies past the 4 GiB - 1 bytes an image can hold");
    entries_.push_back({suffix * perInstance + number, value, line,
                        static_cast<std::uint32_t>(suffix),
                        static_cast<std::uint32_t>(instance->component), parity});
    return true;
}

// The image's extent from the lines alone, checked before its memory is taken.
bool Extraction::Plan() {
    for (const Entry& entry : entries_)
        if (!entry.parity && (last_ == nullptr || entry.index >= last_->index)) last_ = &entry;
    dataLines_ = last_ != nullptr ? last_->index + 1 : 0;
    parityLines_ = p_ != 0 ? (dataLines_ + 7) / 8 : 0;  // parity is an eighth of the data
    result_.words = dataLines_ * kBytesPerLine * 8 / d_;
    result_.instances = (dataLines_ + dataPerInstance_ - 1) / dataPerInstance_;
    if (last_ == nullptr) return true;
    result_.lastInstance = InstanceOf(last_->lane, last_->instance);
    const std::string lastLine =
        result_.lastInstance + " " + AttributeName(false, last_->index % dataPerInstance_);
    const std::uint64_t bits = result_.words * WordBits(layout_);
    if (std::max(bits / 8, ExtractedImageSize(result_)) > kMaxImageSize)
        return Fail(ExtractFailure::ImageTooLarge, last_->line,
                    lastLine + " makes an image too large to hold (more than 4 GiB - 1 bytes)");
    if (maxInstances_ != 0 && result_.instances > maxInstances_)
        return Fail(ExtractFailure::TooManyInstances, last_->line,
                    lastLine + " makes " + std::to_string(result_.instances) + " instances a lane");
    return true;
}

bool Extraction::Fill() {
    const std::uint64_t lanes = layout_.lanes;
    std::vector<std::string>& data = result_.dataBits;
    std::vector<std::string>& parity = result_.parityBits;
    // Each lane's bits made in their place, never as copies of a first lane's.
    data.resize(lanes);
    parity.resize(lanes);
    for (std::uint64_t lane = 0; lane < lanes; ++lane) {
        data[lane].assign(static_cast<std::size_t>(dataLines_ * kBytesPerLine), '\0');
        parity[lane].assign(static_cast<std::size_t>(parityLines_ * kBytesPerLine), '\0');
    }
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
        std::string& stream = (entry.parity ? parity : data)[entry.lane];
        DecodeValue(entry.value, stream.data() + entry.index * kBytesPerLine);
    }
    // The last parity line's bits past the last word: a whole number of bytes, since a lane's
    // parity bits are an eighth of its data bits (a multiple of 256).
    for (std::uint32_t lane = 0; lane < lanes && parityLines_ != 0; ++lane) {
        const std::string& stream = parity[lane];
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
    if (!Plan() || !Fill()) {
        result_.dataBits.clear();  // a failure holds no image
        result_.parityBits.clear();
        return std::move(result_);
    }
    FindMissingLines();
    CountLanes();
    return std::move(result_);
}

}  // namespace

ExtractedImage ExtractImage(std::string_view ucfText, std::span<const std::string_view> components,
                            SynthesizerKind synthesizer, const MemoryLayout& layout,
                            ExtractedFormat format, std::uint64_t maxInstances) {
    const LayoutProblem problem =
        CheckExtractedLayout(layout, format == ExtractedFormat::HexWords, 1);
    if (problem != LayoutProblem::None || components.size() != layout.lanes)
        throw std::invalid_argument("ExtractImage: the layout or the components do not fit");
    return Extraction(ucfText, components, synthesizer, layout, format, maxInstances).Run();
}

std::uint64_t ExtractedImageSize(const ExtractedImage& extracted) {
    const unsigned wordBits = WordBits(extracted.layout);
    return extracted.format == ExtractedFormat::Raw ? extracted.words * wordBits / 8
                                                    : extracted.words * ((wordBits + 3) / 4 + 1);
}

bool WriteExtractedImage(const ExtractedImage& extracted, unsigned swapWidth,
                         const ImageBlockSink& sink) {
    const MemoryLayout& layout = extracted.layout;
    const bool raw = extracted.format == ExtractedFormat::Raw;
    const unsigned wordBits = WordBits(layout);
    const unsigned digits = (wordBits + 3) / 4;
    const unsigned wordSize = raw ? wordBits / 8 : digits + 1;
    // Whole words, and a multiple of every swap width. A raw image is always whole swap
    // words: its words fill whole lines, which hold a multiple of 8 words.
    const std::size_t blockSize = std::size_t{wordSize} * 8 * 1024;
    const std::unique_ptr<char[]> block(new char[blockSize]);
    const auto put = [&](std::size_t size) {
        if (raw) ReverseWordBytes(reinterpret_cast<std::uint8_t*>(block.get()), size, swapWidth);
        return sink(block.get(), size);
    };
    if (raw && layout.lanes == 1 && ParityBits(layout.width) == 0 && layout.width % 8 == 0) {
        // The data bits are the image's bytes.
        const std::string& bytes = extracted.dataBits.front();
        for (std::size_t at = 0; at < bytes.size(); at += blockSize) {
            const std::size_t size = std::min(blockSize, bytes.size() - at);
            std::memcpy(block.get(), bytes.data() + at, size);
            if (!put(size)) return false;
        }
        return true;
    }
    const unsigned d = DataBits(layout.width), p = ParityBits(layout.width);
    std::vector<BitReader> data, parity;
    for (std::uint32_t lane = 0; lane < layout.lanes; ++lane) {
        data.emplace_back(reinterpret_cast<const std::uint8_t*>(extracted.dataBits[lane].data()));
        parity.emplace_back(
            reinterpret_cast<const std::uint8_t*>(extracted.parityBits[lane].data()));
    }
    char* out = block.get();
    for (std::uint64_t k = 0; k < extracted.words; ++k) {
        std::uint64_t word = 0;
        for (std::uint32_t lane = 0; lane < layout.lanes; ++lane) {
            const std::uint64_t value = data[lane].Take(d) | (parity[lane].Take(p) << d);
            word |= value << (lane * layout.width);
        }
        if (raw) {
            for (unsigned i = 0; i < wordSize; ++i) *out++ = static_cast<char>(word >> (8 * i));
        } else {
            for (unsigned i = digits; i-- > 0;) *out++ = kHexDigits[(word >> (4 * i)) & 15];
            *out++ = '\n';
        }
        if (static_cast<std::size_t>(out - block.get()) == blockSize) {
            if (!put(blockSize)) return false;
            out = block.get();
        }
    }
    return out == block.get() || put(static_cast<std::size_t>(out - block.get()));
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
