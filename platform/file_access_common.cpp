// The parts of file access that are the same on every platform: whole reads and writes over
// the system's partial ones, the errors kept as values, the wait for another run's lock.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>

#include "platform/file_access.h"

bool File::Failed() {
    return Failed(LastSystemError());
}

bool File::Failed(SystemErrorCode error) {
    error_ = error;
    return false;
}

bool File::Size(std::uint64_t& size) {
    FileStatus status;
    if (!Status(status)) return false;
    size = status.state.size;
    return true;
}

bool File::ReadFully(void* buffer, std::size_t count) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    std::size_t total = 0;
    while (total < count) {
        std::size_t done = 0;
        if (!ReadSome(bytes + total, count - total, done)) return Failed();
        // A read that delivers nothing means the file ended sooner.
        if (done == 0) return Failed(SystemErrorFor(FileProblem::EndOfFile));
        total += done;
    }
    return true;
}

bool File::ReadSomeBytes(void* buffer, std::size_t count, std::size_t& done) {
    done = 0;
    return ReadSome(buffer, count, done) || Failed();
}

bool File::WriteFully(const void* data, std::size_t count) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t total = 0;
    while (total < count) {
        std::size_t done = 0;
        if (!WriteSome(bytes + total, count - total, done)) return Failed();
        // A write that stores nothing without an error would repeat forever.
        if (done == 0) return Failed(SystemErrorFor(FileProblem::DiskFull));
        total += done;
    }
    return true;
}

bool File::LockForRun(bool shared, const LockWait& wait) {
    using Clock = std::chrono::steady_clock;
    constexpr auto kTold = std::chrono::seconds(1);
    const auto start = Clock::now();
    bool told = false;
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        bool held = false;
        if (!TryLock(shared, false, held)) return false;
        if (held) return true;
        const auto waited = Clock::now() - start;
        if (wait.limit.count() > 0 && waited >= wait.limit) {
            return Failed(SystemErrorFor(FileProblem::Locked));
        }
        if (!told && waited >= kTold) {
            told = true;
            if (wait.onLongWait) wait.onLongWait();
            // Told once; without a limit the system's own wait takes over, which hands the
            // file on in the order the runs came.
            if (wait.limit.count() == 0) return TryLock(shared, true, held);
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

bool File::StillAtPath(const std::string& path, bool& same) {
    FileIdentity mine;
    FileIdentity named;
    bool exists = false;
    if (!Identity(mine)) return false;
    if (const SystemErrorCode error = IdentityAtPath(path, named, exists)) return Failed(error);
    same = exists && named == mine;
    return true;
}

bool File::Identity(FileIdentity& identity) {
    FileStatus status;
    if (!Status(status)) return false;
    identity = status.identity;
    return true;
}
