// The parts of file access that are the same on every platform: whole reads and writes over
// the system's partial ones, the errors kept as values, the wait for another run's lock.
#include <algorithm>
#include <atomic>
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

SystemErrorCode IdentityAtPath(const std::string& path, FileIdentity& identity, bool& exists) {
    FileStatus status;
    const SystemErrorCode error = StatusAtPath(path, true, status, exists);
    if (exists) identity = status.identity;
    return error;
}

SystemErrorCode IsSpecialFile(const std::string& path, bool& special, bool& exists) {
    FileStatus status;
    const SystemErrorCode error = StatusAtPath(path, true, status, exists);
    special = exists && !status.regular && !status.folder;
    return error;
}

std::string UniqueNameSuffix() {
    // Names need not be unpredictable, only different: the file is made exclusively and a
    // name that is taken is simply tried again.
    static std::atomic<std::uint64_t> counter{0};
    std::uint64_t state =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (reinterpret_cast<std::uintptr_t>(&counter) << 16) ^
        (counter.fetch_add(1) * 0x9E3779B97F4A7C15u);
    // splitmix64's finaliser spreads every bit of the state over the name.
    state = (state ^ (state >> 30)) * 0xBF58476D1CE4E5B9u;
    state = (state ^ (state >> 27)) * 0x94D049BB133111EBu;
    state ^= state >> 31;
    constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string suffix(6, '0');
    for (char& c : suffix) {
        c = kAlphabet[state % 62];
        state /= 62;
    }
    return suffix;
}

std::string FolderOf(const std::string& path) {
#ifdef _WIN32
    const std::string::size_type slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return ".";
    return path.substr(0, slash == 0 || (slash == 2 && path[1] == ':') ? slash + 1 : slash);
#else
    const std::string::size_type slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
#endif
}

std::string NameIn(const std::string& path) {
#ifdef _WIN32
    const std::string::size_type slash = path.find_last_of("\\/");
#else
    const std::string::size_type slash = path.find_last_of('/');
#endif
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string PathIn(const std::string& folder, const std::string& name) {
#ifdef _WIN32
    constexpr char kSeparator = '\\';
#else
    constexpr char kSeparator = '/';
#endif
    if (!folder.empty() && (folder.back() == kSeparator || folder.back() == '/'))
        return folder + name;
    return folder + kSeparator + name;
}

SystemErrorCode CreateUniqueFile(const std::string& prefix, unsigned permissions, File& file,
                                 std::string& path) {
    constexpr int kAttempts = 100;
    for (int attempt = 0;; ++attempt) {
        path = prefix + UniqueNameSuffix();
        if (file.Open(path, FileOpening::CreateNew, permissions)) return 0;
        if (!IsNameTaken(file.Error()) || attempt + 1 == kAttempts) return file.Error();
    }
}
