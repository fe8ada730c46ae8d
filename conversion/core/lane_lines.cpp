#include "conversion/core/lane_lines.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "conversion/core/bit_packing.h"
#include "conversion/core/byte_order.h"

namespace {

std::uint32_t StreamSize(std::uint64_t bytes) {
    if (bytes > kMaxImageSize) throw std::length_error("a lane holds more than 4 GiB - 1 bytes");
    return static_cast<std::uint32_t>(bytes);
}

// Whether the lane's data bits are the image's bytes as they stand: one lane, no parity,
// words of whole bytes (8, 16 or 32 bits). Padding the last word changes no line, since a
// word's bytes never straddle a 32-byte line.
bool NeedsNoPacking(const MemoryLayout& layout) {
    return layout.lanes == 1 && ParityBits(layout.width) == 0 && layout.width % 8 == 0;
}

// Packs words into the lanes' data and parity bits.
class LanePacker {
public:
    LanePacker(const MemoryLayout& layout, std::vector<BitWriter>& data,
               std::vector<BitWriter>& parity)
        : layout_(layout),
          data_(data),
          parity_(parity),
          wordBytes_(WordBytes(layout)),
          d_(DataBits(layout.width)),
          p_(ParityBits(layout.width)),
          wordMask_(LowBits(WordBits(layout))),
          laneMask_(LowBits(layout.width)),
          dataMask_(LowBits(d_)) {}

    // `count` words, each in wordBytes bytes at `bytes`.
    void Pack(const std::uint8_t* bytes, std::uint64_t count) {
        for (std::uint64_t k = 0; k < count; ++k, bytes += wordBytes_) {
            std::uint64_t word = 0;
            for (unsigned i = 0; i < wordBytes_; ++i) word |= std::uint64_t{bytes[i]} << (8 * i);
            word &= wordMask_;
            for (unsigned i = 0; i < layout_.lanes; ++i, word >>= layout_.width) {
                const std::uint64_t value = word & laneMask_;
                data_[i].Put(value & dataMask_, d_);
                if (p_ != 0) parity_[i].Put(value >> d_, p_);
            }
        }
    }

private:
    const MemoryLayout& layout_;
    std::vector<BitWriter>& data_;
    std::vector<BitWriter>& parity_;
    const unsigned wordBytes_, d_, p_;
    const std::uint64_t wordMask_, laneMask_, dataMask_;
};

// Every word of the image into the packer: from the caller's bytes, the last word padded; or
// from the pieces placed and swapped, a block of whole words at a time.
void PackImage(const WordImage& image, std::uint64_t words, unsigned wordBytes,
               LanePacker& packer) {
    if (image.pieces == nullptr) {
        const std::uint64_t whole = image.byteCount / wordBytes;
        packer.Pack(image.bytes, whole);
        if (whole < words) {
            std::uint8_t last[8] = {};
            std::memcpy(last, image.bytes + whole * wordBytes,
                        static_cast<std::size_t>(image.byteCount - whole * wordBytes));
            packer.Pack(last, 1);
        }
        return;
    }
    // A multiple of every word and swap width.
    const std::size_t blockBytes = std::size_t{wordBytes} * 8 * 1024;
    const std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[blockBytes]);
    PlacedBytes placed(*image.pieces, image.base, image.fill);
    const std::uint64_t total = words * wordBytes;
    for (std::uint64_t start = 0; start < total; start += blockBytes) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(blockBytes, total - start));
        placed.Take(block.get(), n);
        if (image.byteCount > start) {
            ReverseWordBytes(
                block.get(),
                static_cast<std::size_t>(std::min<std::uint64_t>(n, image.byteCount - start)),
                image.swapWidth);
        }
        packer.Pack(block.get(), n / wordBytes);
    }
}

}  // namespace

std::uint64_t ImageWordCount(const WordImage& image, const MemoryLayout& layout) {
    const unsigned wordBytes = WordBytes(layout);
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
                      std::span<const std::string_view> components, SynthesizerKind synthesizer,
                      bool quotedNames) {
    if (CheckLayout(layout) != LayoutProblem::None || components.size() != layout.lanes)
        throw std::invalid_argument("LayOutLanes: the layout or the components do not fit");
    WideLines lines;
    lines.layout = layout;
    lines.words = ImageWordCount(image, layout);
    const auto laneLines = [&](std::string_view component, const std::uint8_t* data,
                               std::uint32_t dataSize, const std::uint8_t* parity,
                               std::uint32_t paritySize) {
        lines.lanes.push_back(
            {{data, dataSize, component, synthesizer, layout.linesPerInstance, LineAttribute::Init,
              quotedNames},
             {parity, paritySize, component, synthesizer, ParityLinesPerInstance(layout),
              LineAttribute::InitP, quotedNames}});
    };
    if (NeedsNoPacking(layout)) {
        const std::uint32_t size = StreamSize(image.byteCount);
        const std::uint8_t* bytes = image.bytes;
        if (image.pieces != nullptr) {
            // Placed whole: the lane's bytes are the image's.
            lines.packed.emplace_back(new std::uint8_t[size]);
            PlacedBytes(*image.pieces, image.base, image.fill)
                .Take(lines.packed.back().get(), size);
            ReverseWordBytes(lines.packed.back().get(), size, image.swapWidth);
            bytes = lines.packed.back().get();
        }
        laneLines(components[0], bytes, size, nullptr, 0);
        return lines;
    }

    // Far more words than any lane can hold would wrap the bit counts.
    if (lines.words > (std::uint64_t{1} << 40))
        throw std::length_error("a lane holds more than 4 GiB - 1 bytes");
    const unsigned d = DataBits(layout.width);
    const unsigned p = ParityBits(layout.width);
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
        laneLines(components[i], data, dataSize, parity, paritySize);
        dataBits.emplace_back(data);
        parityBits.emplace_back(parity);
    }
    LanePacker packer(layout, dataBits, parityBits);
    PackImage(image, lines.words, WordBytes(layout), packer);
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
