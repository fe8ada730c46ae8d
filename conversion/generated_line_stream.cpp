#include "conversion/generated_line_stream.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <iterator>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "conversion/second_processor.h"

namespace {

// Blocks of about 1 MiB: system calls cost many microseconds on virtual machines, and larger
// blocks gain nothing more. All slots together fit two 2 MiB huge pages.
constexpr std::size_t kBlockTarget = std::size_t{1020} << 10;
// Blocks formatted ahead of the one being taken, plus that one.
constexpr std::uint32_t kSlots = 4;
constexpr std::uint32_t kNone = ~std::uint32_t{0};

struct Plan {
    std::uint32_t lineCount = 0;
    std::uint32_t linesPerBlock = 1;
    std::uint32_t blockCount = 0;
    std::size_t blockCapacity = 0;
};

Plan MakePlan(const GeneratedLines& lines) {
    Plan plan;
    plan.lineCount = GeneratedLineCount(lines);
    const std::size_t longest = LongestGeneratedLine(lines);
    plan.linesPerBlock = static_cast<std::uint32_t>(std::clamp<std::size_t>(
        kBlockTarget / longest, 1, std::max<std::uint32_t>(plan.lineCount, 1)));
    plan.blockCount =
        plan.lineCount / plan.linesPerBlock + (plan.lineCount % plan.linesPerBlock != 0 ? 1 : 0);
    plan.blockCapacity = plan.linesPerBlock * longest;
    return plan;
}

std::size_t SlotsSize(const Plan& plan) {
    // Only a component name of a quarter of the address space could make this wrap.
    if (plan.blockCapacity > std::numeric_limits<std::size_t>::max() / kSlots) {
        throw std::bad_alloc();
    }
    return kSlots * plan.blockCapacity;
}

class Pipeline {
public:
    Pipeline(const GeneratedLines& lines, const Plan& plan)
        : lines_(lines), plan_(plan), text_(new char[SlotsSize(plan)]) {
        std::fill(std::begin(ready_), std::end(ready_), kNone);
    }

    bool Run(const LineBlockSink& sink) {
        std::thread helper;
        if (plan_.blockCount > 1 && HaveSecondProcessor()) {
            try {
                helper = std::thread([this] { FormatAhead(); });
            } catch (const std::system_error&) {
                // No thread to be had: the caller formats every block itself.
            }
        }
        const bool taken = Deliver(sink);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopped_ = true;
        }
        changed_.notify_all();
        if (helper.joinable()) helper.join();
        return taken;
    }

private:
    std::uint32_t SlotOf(std::uint32_t index) const { return index % kSlots; }
    char* TextOf(std::uint32_t index) const {
        return text_.get() + SlotOf(index) * plan_.blockCapacity;
    }

    // True when a block is waiting to be formatted and its slot is free.
    bool WorkLeft() const {
        return !stopped_ && claimed_ < plan_.blockCount && claimed_ - taken_ < kSlots;
    }

    // Claims the next block and formats it with the lock released. Only when WorkLeft().
    void FormatNext(std::unique_lock<std::mutex>& lock) {
        const std::uint32_t index = claimed_++;
        lock.unlock();
        const std::uint32_t first = index * plan_.linesPerBlock;
        const std::uint32_t count = std::min(plan_.linesPerBlock, plan_.lineCount - first);
        char* const text = TextOf(index);
        const char* end = WriteGeneratedLines(lines_, first, count, text);
        lock.lock();
        size_[SlotOf(index)] = static_cast<std::size_t>(end - text);
        ready_[SlotOf(index)] = index;
        changed_.notify_all();
    }

    // The helper: formats blocks ahead of the caller while their slots are free.
    void FormatAhead() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            changed_.wait(
                lock, [this] { return WorkLeft() || stopped_ || claimed_ >= plan_.blockCount; });
            if (!WorkLeft()) return;
            FormatNext(lock);
        }
    }

    // The caller: hands the blocks over in order. While the next one is not ready it formats
    // later ones itself, so that neither thread idles while there is work.
    bool Deliver(const LineBlockSink& sink) {
        for (std::uint32_t index = 0; index < plan_.blockCount; ++index) {
            std::unique_lock<std::mutex> lock(mutex_);
            while (ready_[SlotOf(index)] != index) {
                if (WorkLeft()) {
                    FormatNext(lock);
                } else {
                    changed_.wait(lock);
                }
            }
            const std::size_t size = size_[SlotOf(index)];
            lock.unlock();
            const bool taken = sink(TextOf(index), size);
            lock.lock();
            ++taken_;
            if (!taken) return false;
            changed_.notify_all();
        }
        return true;
    }

    const GeneratedLines& lines_;
    const Plan plan_;
    const std::unique_ptr<char[]> text_;  // the slots' texts, one after the other
    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint32_t ready_[kSlots];  // the block each slot holds once formatted
    std::size_t size_[kSlots] = {};
    std::uint32_t claimed_ = 0;  // blocks handed to a thread for formatting
    std::uint32_t taken_ = 0;    // blocks the sink has had
    bool stopped_ = false;
};

}  // namespace

bool StreamGeneratedLines(const GeneratedLines& lines, const LineBlockSink& sink) {
    const Plan plan = MakePlan(lines);
    if (plan.blockCount == 0) return true;
    Pipeline pipeline(lines, plan);
    return pipeline.Run(sink);
}
