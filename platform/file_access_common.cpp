// The parts of file access that are the same on every platform: whole reads and writes over
// the system's partial ones, the errors kept as values, and the test seam.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "platform/file_access.h"
#include "platform/file_view.h"

namespace {

// Narrows a transfer to what a test's byte budget still allows and takes that much from it
// before the transfer. False when the budget is spent: this transfer is the one that fails,
// and later ones run free (unless the disk stays full).
bool TakeFromBudget(std::uint64_t& budget, std::size_t& want, bool staysSpent) {
    if (budget == FileAccessFaults::kUnlimited) return true;
    if (budget == 0) {
        if (!staysSpent) budget = FileAccessFaults::kUnlimited;
        return false;
    }
    want = static_cast<std::size_t>(std::min<std::uint64_t>(want, budget));
    budget -= want;
    return true;
}

// Gives back what a transfer took but did not move.
void ReturnToBudget(std::uint64_t& budget, std::size_t unused) {
    if (budget != FileAccessFaults::kUnlimited) budget += unused;
}

// The budget of one kind of transfer.
class Budget {
public:
    Budget(FileAccessFaults* faults, std::uint64_t FileAccessFaults::*budget)
        : faults_(faults), budget_(budget) {}
    bool Take(std::size_t& want) {
        if (!faults_) return true;
        const bool staysSpent = budget_ == &FileAccessFaults::writeBudget && faults_->diskStaysFull;
        return TakeFromBudget(faults_->*budget_, want, staysSpent);
    }
    void Return(std::size_t unused) {
        if (!faults_) return;
        ReturnToBudget(faults_->*budget_, unused);
    }

private:
    FileAccessFaults* faults_;
    std::uint64_t FileAccessFaults::*budget_;
};

}  // namespace

bool File::Failed() {
    return Failed(LastSystemError());
}

bool File::Failed(SystemErrorCode error) {
    error_ = error;
    return false;
}

bool File::Size(std::uint64_t& size) {
    if (!QuerySize(size)) return Failed();
    if (faults_ && faults_->afterSize) faults_->afterSize(path_);
    return true;
}

// Reads `count` bytes with `readPart`, a system call that may come back short, until all are
// there; a read that delivers nothing means the file ended sooner.
template <class ReadPart>
bool File::ReadAll(unsigned char* bytes, std::size_t count, ReadPart readPart) {
    Budget budget(faults_, &FileAccessFaults::readBudget);
    std::size_t total = 0;
    while (total < count) {
        std::size_t want = count - total;
        if (!budget.Take(want)) return Failed(SystemErrorFor(FileProblem::ReadFault));
        std::size_t done = 0;
        const bool read = readPart(total, bytes + total, want, done);
        const SystemErrorCode error = read ? 0 : LastSystemError();
        budget.Return(read ? want - done : want);
        if (!read) return Failed(error);
        if (done == 0) return Failed(SystemErrorFor(FileProblem::EndOfFile));
        total += done;
    }
    return true;
}

bool File::ReadFully(void* buffer, std::size_t count) {
    return ReadAll(static_cast<unsigned char*>(buffer), count,
                   [this](std::size_t, void* at, std::size_t want, std::size_t& done) {
                       return ReadSome(at, want, done);
                   });
}

bool File::TakeWholeRead(std::uint64_t size) {
    Budget budget(faults_, &FileAccessFaults::readBudget);
    std::uint64_t left = size;
    while (left > 0) {
        std::size_t want = static_cast<std::size_t>(
            std::min<std::uint64_t>(left, std::numeric_limits<std::size_t>::max()));
        // As a read in parts: the part after the budget is spent is the one that fails.
        if (!budget.Take(want)) return false;
        left -= want;
    }
    return true;
}

bool File::View(FileView& view) {
    view = FileView();
    std::uint64_t size = 0;
    if (!Size(size)) return false;
    if (size > std::numeric_limits<std::size_t>::max())
        return Failed(SystemErrorFor(FileProblem::TooLarge));
    return size == 0 || ShowWhole(view, static_cast<std::size_t>(size));
}

bool File::ViewCopy(FileView& view, std::size_t size) {
    if (!view.copy_.Allocate(size)) return Failed(SystemErrorFor(FileProblem::OutOfMemory));
    return Seek(0) && ReadFully(view.copy_.get(), view.copy_.size());
}

bool File::ReadSomeBytes(void* buffer, std::size_t count, std::size_t& done) {
    Budget budget(faults_, &FileAccessFaults::readBudget);
    done = 0;
    std::size_t want = count;
    if (count > 0 && !budget.Take(want)) return Failed(SystemErrorFor(FileProblem::ReadFault));
    const bool read = ReadSome(buffer, want, done);
    const SystemErrorCode error = read ? 0 : LastSystemError();
    budget.Return(read ? want - done : want);
    return read || Failed(error);
}

bool File::WriteFully(const void* data, std::size_t count, std::size_t* written) {
    Budget budget(faults_, &FileAccessFaults::writeBudget);
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t total = 0;
    std::size_t ignored = 0;
    std::size_t& stored = written ? *written : ignored;
    stored = 0;
    while (total < count) {
        std::size_t want = count - total;
        if (!budget.Take(want)) return Failed(SystemErrorFor(FileProblem::DiskFull));
        std::size_t done = 0;
        const bool wrote = WriteSome(bytes + total, want, done);
        const SystemErrorCode error = wrote ? 0 : LastSystemError();
        budget.Return(wrote ? want - done : want);
        if (!wrote) return Failed(error);
        // A write that stores nothing without an error would repeat forever.
        if (done == 0) return Failed(SystemErrorFor(FileProblem::DiskFull));
        total += done;
        stored = total;
    }
    return true;
}

// The injected failure of a length change, once.
bool File::ResizeFaultDue() {
    if (!faults_ || !faults_->failResize) return false;
    faults_->failResize = false;
    return true;
}

bool File::Resize(std::uint64_t length) {
    if (ResizeFaultDue()) return Failed(SystemErrorFor(FileProblem::DiskFull));
    return SetLength(length) || Failed();
}

bool File::Flush() {
    if (faults_ && faults_->failFlush) {
        faults_->failFlush = false;
        return Failed(SystemErrorFor(FileProblem::ReadFault));
    }
    return FlushToDisk() || Failed();
}

bool File::StillAtPath(bool& same) {
    FileIdentity mine;
    FileIdentity named;
    bool exists = false;
    if (!Identity(mine)) return false;
    if (const SystemErrorCode error = IdentityAtPath(path_, named, exists)) return Failed(error);
    same = exists && named == mine;
    return true;
}
