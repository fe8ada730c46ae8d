// The parts of file access that are the same on every platform: whole reads and writes over
// the system's partial ones, and the test seam.
#include <algorithm>
#include <cstdint>
#include <mutex>

#include "platform/file_access.h"

namespace {

FileAccessFaults* g_faults = nullptr;
// Threads reading parts of one file at once share the read budget.
std::mutex g_budgetMutex;

bool Fail(FileProblem problem) {
    SetLastSystemError(SystemErrorFor(problem));
    return false;
}

// The injected failure of a length change, once.
bool ResizeFaultDue() {
    if (!g_faults || !g_faults->failResize) return false;
    g_faults->failResize = false;
    return true;
}

// Narrows a transfer to what a test's byte budget still allows and takes that much from it
// at once, so that threads reading at the same time cannot both spend the same bytes. False
// when the budget is spent: this transfer is the one that fails, and later ones run free.
bool TakeFromBudget(std::uint64_t* budget, std::size_t& want) {
    if (!budget || *budget == FileAccessFaults::kUnlimited) return true;
    if (*budget == 0) {
        *budget = FileAccessFaults::kUnlimited;
        return false;
    }
    want = static_cast<std::size_t>(std::min<std::uint64_t>(want, *budget));
    *budget -= want;
    return true;
}

// Gives back what a transfer took but did not move.
void ReturnToBudget(std::uint64_t* budget, std::size_t unused) {
    if (budget && *budget != FileAccessFaults::kUnlimited) *budget += unused;
}

}  // namespace

void SetFileAccessFaultsForTesting(FileAccessFaults* faults) {
    g_faults = faults;
}

bool File::Size(std::uint64_t& size) {
    if (!QuerySize(size)) return false;
    if (g_faults && g_faults->afterSize) g_faults->afterSize(path_);
    return true;
}

namespace {

// Reads `count` bytes with `readSome`, a system call that may come back short, until all are
// there; a read that delivers nothing means the file ended sooner.
template <class ReadSome>
bool ReadAll(unsigned char* bytes, std::size_t count, ReadSome readSome) {
    std::size_t total = 0;
    while (total < count) {
        std::size_t want = count - total;
        {
            std::lock_guard<std::mutex> lock(g_budgetMutex);
            if (!TakeFromBudget(g_faults ? &g_faults->readBudget : nullptr, want))
                return Fail(FileProblem::ReadFault);
        }
        std::size_t done = 0;
        const bool read = readSome(total, bytes + total, want, done);
        {
            std::lock_guard<std::mutex> lock(g_budgetMutex);
            ReturnToBudget(g_faults ? &g_faults->readBudget : nullptr, read ? want - done : want);
        }
        if (!read) return false;
        if (done == 0) return Fail(FileProblem::EndOfFile);
        total += done;
    }
    return true;
}

}  // namespace

bool File::ReadFully(void* buffer, std::size_t count) {
    return ReadAll(static_cast<unsigned char*>(buffer), count,
                   [this](std::size_t, void* at, std::size_t want, std::size_t& done) {
                       return ReadSome(at, want, done);
                   });
}

bool File::ReadFullyAt(std::uint64_t offset, void* buffer, std::size_t count) {
    return ReadAll(
        static_cast<unsigned char*>(buffer), count,
        [this, offset](std::size_t total, void* at, std::size_t want, std::size_t& done) {
            return ReadSomeAt(offset + total, at, want, done);
        });
}

bool File::WriteFully(const void* data, std::size_t count, std::size_t* written) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t total = 0;
    std::size_t ignored = 0;
    std::size_t& stored = written ? *written : ignored;
    stored = 0;
    while (total < count) {
        std::size_t want = count - total;
        std::uint64_t* budget = g_faults ? &g_faults->writeBudget : nullptr;
        if (!TakeFromBudget(budget, want)) return Fail(FileProblem::DiskFull);
        std::size_t done = 0;
        const bool wrote = WriteSome(bytes + total, want, done);
        ReturnToBudget(budget, wrote ? want - done : want);
        if (!wrote) return false;
        // A write that stores nothing without an error would repeat forever.
        if (done == 0) return Fail(FileProblem::DiskFull);
        total += done;
        stored = total;
    }
    return true;
}

bool File::Resize(std::uint64_t length) {
    if (ResizeFaultDue()) return Fail(FileProblem::DiskFull);
    return SetLength(length);
}

bool File::Reserve(std::uint64_t length) {
    if (ResizeFaultDue()) return Fail(FileProblem::DiskFull);
    std::uint64_t size = 0;
    if (!QuerySize(size)) return false;
    if (size >= length) return true;
    return AllocateSpace(length);
}
