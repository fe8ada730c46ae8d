#include "conversion/run/new_text_digests.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <thread>

#include "conversion/run/rewrite_plan.h"

namespace {

// Below this, a second thread costs more than it saves.
constexpr std::uint64_t kSplitFrom = std::uint64_t{8} << 20;

// Feeds lines first .. end - 1 of `lines`, from its byte `skip` of them on, to `digests`.
void AddLines(const GeneratedLines& lines, std::uint32_t first, std::uint32_t end,
              std::uint64_t skip, NewTextDigests& digests) {
    const std::size_t longest = LongestGeneratedLine(lines);
    const auto perBlock =
        static_cast<std::uint32_t>(std::max<std::size_t>(1, kMemoryLineBlock / longest));
    const std::unique_ptr<char[]> block(new char[std::size_t{perBlock} * longest]);
    for (std::uint32_t line = first; line < end; line += perBlock) {
        const char* written =
            WriteGeneratedLines(lines, line, std::min(perBlock, end - line), block.get());
        const auto size = static_cast<std::uint64_t>(written - block.get());
        if (skip >= size) {
            skip -= size;
            continue;
        }
        digests.Add(block.get() + skip, static_cast<std::size_t>(size - skip));
        skip = 0;
    }
}

}  // namespace

std::vector<std::uint32_t> NewTextDigestsOf(const JournalHeader& header, std::string_view kept,
                                            const WideLines& lines) {
    const auto oneThread = [&] {
        NewTextDigests digests(header);
        StreamNewText(
            kept, lines, header.savedFrom,
            [&digests](const char* text, std::size_t size) {
                digests.Add(text, size);
                return true;
            },
            kMemoryLineBlock);
        return digests.Take();
    };
    // A memory of one lane without parity (the common case) is split at its middle line; the
    // other layouts go through their one stream.
    if (lines.lanes.size() != 1 || lines.lanes.front().parity.size != 0) return oneThread();
    const GeneratedLines& data = lines.lanes.front().data;
    const std::uint32_t count = GeneratedLineCount(data);
    const std::uint32_t middle = count / 2;
    GeneratedLines firstHalf = data;
    firstHalf.size = std::min(data.size, middle * kBytesPerLine);
    const std::uint64_t split = kept.size() + GeneratedTextSize(firstHalf);
    const std::uint64_t cut = SegmentStartFrom(header, split);
    if (header.savedFrom >= split || header.newLength - header.savedFrom < kSplitFrom ||
        cut >= header.newLength) {
        return oneThread();
    }
    // The second half from the first segment that starts in it; the first half runs on into
    // the second's first lines up to there.
    std::vector<std::uint32_t> second;
    std::exception_ptr failed;
    std::thread worker([&] {
        try {
            NewTextDigests digests(header, cut, header.newLength);
            AddLines(data, middle, count, cut - split, digests);
            second = digests.Take();
        } catch (...) {
            failed = std::current_exception();
        }
    });
    std::vector<std::uint32_t> first;
    try {
        NewTextDigests digests(header, header.savedFrom, cut);
        if (header.savedFrom < kept.size()) {
            digests.Add(kept.data() + header.savedFrom, kept.size() - header.savedFrom);
        }
        // The segment the split falls in ends within a sector; no line is shorter than 16 bytes.
        const auto runOn = static_cast<std::uint32_t>(kJournalSector / 16 + 1);
        AddLines(data, 0, std::min(count, middle + runOn),
                 header.savedFrom > kept.size() ? header.savedFrom - kept.size() : 0, digests);
        first = digests.Take();
    } catch (...) {
        worker.join();
        throw;
    }
    worker.join();
    if (failed) std::rethrow_exception(failed);
    first.insert(first.end(), second.begin(), second.end());
    return first;
}
