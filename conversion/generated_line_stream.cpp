#include "conversion/generated_line_stream.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

namespace {

// Blocks of about 1 MiB: system calls cost many microseconds on virtual machines, and larger
// blocks gain nothing more. (Formatting the next blocks on a second thread while the caller
// writes one gained under 10 % end to end and went.)
constexpr std::size_t kBlockTarget = std::size_t{1020} << 10;

}  // namespace

bool StreamGeneratedLines(const GeneratedLines& lines, const LineBlockSink& sink) {
    const std::uint32_t lineCount = GeneratedLineCount(lines);
    if (lineCount == 0) return true;
    const std::size_t longest = LongestGeneratedLine(lines);
    const auto linesPerBlock =
        static_cast<std::uint32_t>(std::clamp<std::size_t>(kBlockTarget / longest, 1, lineCount));
    const std::unique_ptr<char[]> block(new char[std::size_t{linesPerBlock} * longest]);
    for (std::uint32_t first = 0; first < lineCount; first += linesPerBlock) {
        const std::uint32_t count = std::min(linesPerBlock, lineCount - first);
        const char* end = WriteGeneratedLines(lines, first, count, block.get());
        if (!sink(block.get(), static_cast<std::size_t>(end - block.get()))) return false;
    }
    return true;
}
