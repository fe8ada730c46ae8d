#include "conversion/core/generated_line_stream.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

// One block, formatted while the sink has had the one before it, on the caller's thread: the
// writes bound a run, so a thread formatting ahead would add its handing over and little else.
bool StreamGeneratedLines(const GeneratedLines& lines, const LineBlockSink& sink,
                          std::size_t blockBytes) {
    const std::uint32_t lineCount = GeneratedLineCount(lines);
    if (lineCount == 0) return true;
    const std::size_t longest = LongestGeneratedLine(lines);
    const auto linesPerBlock =
        static_cast<std::uint32_t>(std::clamp<std::size_t>(blockBytes / longest, 1, lineCount));
    const std::unique_ptr<char[]> block(new char[std::size_t{linesPerBlock} * longest]);
    for (std::uint32_t first = 0; first < lineCount; first += linesPerBlock) {
        const std::uint32_t count = std::min(linesPerBlock, lineCount - first);
        const char* end = WriteGeneratedLines(lines, first, count, block.get());
        if (!sink(block.get(), static_cast<std::size_t>(end - block.get()))) return false;
    }
    return true;
}
