#include "conversion/run/sector_writer.h"

#include "conversion/run/journal_format.h"

namespace {

// Written blocks are handed on to the disk every so often, so that the flush at the end
// waits for little more than the last of them.
constexpr std::uint64_t kFlushStep = std::uint64_t{1} << 20;

}  // namespace

SectorAlignedWriter::SectorAlignedWriter(File& file, std::uint64_t position)
    : file_(file), next_(position), flushedTo_(position) {}

bool SectorAlignedWriter::Write(const char* data, std::size_t size) {
    if (!file_.WriteFully(data, size)) return false;
    next_ += size;
    if (next_ - flushedTo_ >= kFlushStep) {
        file_.StartFlush(flushedTo_, next_ - flushedTo_);
        flushedTo_ = next_;
    }
    return true;
}

bool SectorAlignedWriter::Put(const char* data, std::size_t size) {
    const std::uint64_t end = next_ + carry_.size();
    if (end % kJournalSector != 0) {
        // Up to the next boundary in the carry, written as one piece once it is there.
        const auto toBoundary = static_cast<std::size_t>(kJournalSector - end % kJournalSector);
        const std::size_t take = size < toBoundary ? size : toBoundary;
        carry_.append(data, take);
        data += take;
        size -= take;
        if (take < toBoundary) return true;
    }
    if (!carry_.empty()) {
        if (!Write(carry_.data(), carry_.size())) return false;
        carry_.clear();
    }
    const std::size_t whole = size - size % kJournalSector;
    if (whole > 0 && !Write(data, whole)) return false;
    carry_.assign(data + whole, size - whole);
    return true;
}

bool SectorAlignedWriter::Finish() {
    if (carry_.empty()) return true;
    if (!Write(carry_.data(), carry_.size())) return false;
    carry_.clear();
    return true;
}
