#include "conversion/core/lane_lines.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "conversion/core/bit_packing.h"

namespace {

std::uint32_t StreamSize(std::uint64_t bytes) {
    if (bytes > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("a lane holds more than 4 GiB - 1 bytes");
    return static_cast<std::uint32_t>(bytes);
}

// Word k of an image of bytes, `wordBytes` bytes least significant first, zero bytes past the
// image's end.
std::uint64_t ByteWord(const WordImage& image, std::uint64_t k, unsigned wordBytes) {
    const std::uint64_t at = k * wordBytes;
    const auto present =
        static_cast<unsigned>(std::min<std::uint64_t>(wordBytes, image.byteCount - at));
    std::uint64_t word = 0;
    for (unsigned i = 0; i < present; ++i) word |= std::uint64_t{image.bytes[at + i]} << (8 * i);
    return word;
}

// Whether the lane's data bits are the image's bytes as they stand: one lane, no parity,
// words of whole bytes (8, 16 or 32 bits). Padding the last word changes no line, since a
// word's bytes never straddle a 32-byte line.
bool NeedsNoPacking(const WordImage& image, const MemoryLayout& layout) {
    return !image.ofWords && layout.lanes == 1 && ParityBits(layout.width) == 0 &&
           layout.width % 8 == 0;
}

}  // namespace

std::uint64_t ImageWordCount(const WordImage& image, const MemoryLayout& layout) {
    if (image.ofWords) return image.wordCount;
    const unsigned wordBytes = std::max(1u, WordBits(layout) / 8);
    return image.byteCount / wordBytes + (image.byteCount % wordBytes != 0 ? 1 : 0);
}

std::uint32_t LaneLineCount(const LaneLines& lane) {
    return GeneratedLineCount(lane.data) + GeneratedLineCount(lane.parity);
}

// The parity of an instance's last word lies in the same instance as its data, so the data
// lines alone tell the instances.
std::uint32_t LaneInstanceCount(const LaneLines& lane) {
    return GeneratedInstanceCount(lane.data);
}

std::uint64_t LaneTextSize(const LaneLines& lane) {
    return GeneratedTextSize(lane.data) + GeneratedTextSize(lane.parity);
}

bool StreamLaneLines(const LaneLines& lane, const LineBlockSink& sink, std::size_t blockBytes) {
    if (lane.parity.size == 0) return StreamGeneratedLines(lane.data, sink, blockBytes);
    const std::uint32_t dataCount = GeneratedLineCount(lane.data);
    const std::uint32_t parityCount = GeneratedLineCount(lane.parity);
    const std::size_t longest =
        std::max(LongestGeneratedLine(lane.data), LongestGeneratedLine(lane.parity));
    const std::size_t linesPerBlock =
        std::clamp<std::size_t>(blockBytes / longest, 1, std::size_t{dataCount} + parityCount);
    const std::unique_ptr<char[]> block(new char[linesPerBlock * longest]);
    char* out = block.get();
    std::size_t room = linesPerBlock;
    const auto put = [&](const GeneratedLines& lines, std::uint32_t first, std::uint32_t end) {
        while (first < end) {
            const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(end - first, room));
            out = WriteGeneratedLines(lines, first, count, out);
            first += count;
            room -= count;
            if (room == 0) {
                if (!sink(block.get(), static_cast<std::size_t>(out - block.get()))) return false;
                out = block.get();
                room = linesPerBlock;
            }
        }
        return true;
    };
    const std::uint32_t dataPerInstance = lane.data.linesPerInstance;
    const std::uint32_t parityPerInstance = lane.parity.linesPerInstance;
    for (std::uint32_t k = 0; std::uint64_t{k} * dataPerInstance < dataCount; ++k) {
        const std::uint32_t data = k * dataPerInstance;
        const std::uint32_t parity = std::min(k * parityPerInstance, parityCount);
        if (!put(lane.data, data, std::min(data + dataPerInstance, dataCount)) ||
            !put(lane.parity, parity, std::min(parity + parityPerInstance, parityCount)))
            return false;
    }
    return out == block.get() || sink(block.get(), static_cast<std::size_t>(out - block.get()));
}

WideLines LayOutLanes(const WordImage& image, const MemoryLayout& layout,
                      std::span<const std::string_view> components, SynthesizerKind synthesizer) {
    const LayoutProblem problem = image.ofWords ? CheckLayout(layout) : CheckByteLayout(layout);
    if (problem != LayoutProblem::None || components.size() != layout.lanes)
        throw std::invalid_argument("LayOutLanes: the layout or the components do not fit");
    WideLines lines;
    lines.layout = layout;
    lines.words = ImageWordCount(image, layout);
    const unsigned d = DataBits(layout.width);
    const unsigned p = ParityBits(layout.width);
    if (NeedsNoPacking(image, layout)) {
        const std::uint32_t size = StreamSize(image.byteCount);
        lines.lanes.push_back(
            {GeneratedLines{image.bytes, size, components[0], synthesizer, layout.linesPerInstance},
             GeneratedLines{nullptr, 0, components[0], synthesizer, ParityLinesPerInstance(layout),
                            LineAttribute::InitP}});
        return lines;
    }

    // Far more words than any lane can hold would wrap the bit counts.
    if (lines.words > (std::uint64_t{1} << 40))
        throw std::length_error("a lane holds more than 4 GiB - 1 bytes");
    const std::uint32_t dataSize = StreamSize((lines.words * d + 7) / 8);
    const std::uint32_t paritySize = StreamSize((lines.words * p + 7) / 8);
    const auto allocate = [&lines](std::uint32_t size) -> std::uint8_t* {
        if (size == 0) return nullptr;
        lines.packed.emplace_back(new std::uint8_t[size]);
        return lines.packed.back().get();
    };
    std::vector<BitWriter> dataBits, parityBits;
    for (unsigned i = 0; i < layout.lanes; ++i) {
        std::uint8_t* const data = allocate(dataSize);
        std::uint8_t* const parity = allocate(paritySize);
        lines.lanes.push_back(
            {{data, dataSize, components[i], synthesizer, layout.linesPerInstance},
             {parity, paritySize, components[i], synthesizer, ParityLinesPerInstance(layout),
              LineAttribute::InitP}});
        dataBits.emplace_back(data);
        parityBits.emplace_back(parity);
    }

    const unsigned wordBytes = WordBits(layout) / 8;
    const std::uint64_t laneMask = LowBits(layout.width);
    const std::uint64_t dataMask = LowBits(d);
    for (std::uint64_t k = 0; k < lines.words; ++k) {
        std::uint64_t word = image.ofWords ? image.words[k] : ByteWord(image, k, wordBytes);
        for (unsigned i = 0; i < layout.lanes; ++i, word >>= layout.width) {
            const std::uint64_t value = word & laneMask;
            dataBits[i].Put(value & dataMask, d);
            if (p != 0) parityBits[i].Put(value >> d, p);
        }
    }
    for (unsigned i = 0; i < layout.lanes; ++i) {
        dataBits[i].Finish();
        parityBits[i].Finish();
    }
    return lines;
}

std::uint64_t WideTextSize(const WideLines& lines) {
    std::uint64_t total = 0;
    for (const LaneLines& lane : lines.lanes) total += LaneTextSize(lane);
    return total;
}

bool StreamWideLines(const WideLines& lines, const LineBlockSink& sink, std::size_t blockBytes) {
    for (const LaneLines& lane : lines.lanes)
        if (!StreamLaneLines(lane, sink, blockBytes)) return false;
    return true;
}
