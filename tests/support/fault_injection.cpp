#include "tests/support/fault_injection.h"

#include <algorithm>
#include <cerrno>
#ifndef _WIN32
#include <fcntl.h>
#endif
#include <map>
#include <mutex>

#include "platform/system_calls.h"

namespace {

FileAccessFaults* active = nullptr;
std::mutex namesLock;

// The rollback journal, and the temporaries it is written under ("-journal-" and six more).
bool IsJournal(const std::string& path) {
    const auto endsWith = [&path](std::size_t from) {
        return path.size() >= from && path.compare(path.size() - from, 8, "-journal") == 0;
    };
    return endsWith(8) || endsWith(15);
}

bool Targets(const std::string& path) {
    if (active->targets) return active->targets(path);
    return !IsJournal(path);
}

// Narrows a transfer to what the budget allows; false when it is spent and this transfer
// fails.
bool TakeFromBudget(std::uint64_t& budget, std::size_t& count, bool staysSpent) {
    if (budget == FileAccessFaults::kUnlimited) return true;
    if (budget == 0) {
        if (!staysSpent) budget = FileAccessFaults::kUnlimited;
        return false;
    }
    count = static_cast<std::size_t>(std::min<std::uint64_t>(count, budget));
    return true;
}

// A disk that fills up stores whole pages of a write only, as file systems allocate them: the
// write is cut where its last whole page ends, or fails when not even one fits.
bool WholePagesOnly(std::uint64_t position, std::size_t count, std::size_t& want) {
    constexpr std::uint64_t kPage = 4096;
    if (want == count) return true;
    const std::uint64_t end = (position + want) / kPage * kPage;
    if (end <= position) {
        // This write is the one that fails; a disk that recovers takes the next ones.
        active->writeBudget = active->diskStaysFull ? 0 : FileAccessFaults::kUnlimited;
        return false;
    }
    want = static_cast<std::size_t>(end - position);
    return true;
}

void Spend(std::uint64_t& budget, long long done) {
    if (budget != FileAccessFaults::kUnlimited && done > 0) {
        budget -= std::min<std::uint64_t>(budget, static_cast<std::uint64_t>(done));
    }
}

#ifdef _WIN32
using Handle = HANDLE;
#else
using Handle = int;
#endif

std::map<Handle, std::string> names;

void Name(Handle handle, const char* path) {
    std::lock_guard<std::mutex> lock(namesLock);
    names[handle] = path;
}

std::string NameOf(Handle handle) {
    std::lock_guard<std::mutex> lock(namesLock);
    const auto found = names.find(handle);
    return found == names.end() ? std::string() : found->second;
}

void Forget(Handle handle) {
    std::lock_guard<std::mutex> lock(namesLock);
    names.erase(handle);
}

bool Targeted(Handle handle) {
    const std::string name = NameOf(handle);
    return !name.empty() && Targets(name);
}

void BeforeRead(Handle handle) {
    const std::string name = NameOf(handle);
    if (!name.empty() && Targets(name) && active->beforeRead) active->beforeRead(name);
}

void BeforeStatus(Handle handle) {
    const std::string name = NameOf(handle);
    if (!name.empty() && Targets(name) && active->beforeStatus) active->beforeStatus(name);
}

#ifdef _WIN32

HANDLE WINAPI CreateFileFaulty(LPCSTR path, DWORD access, DWORD sharing,
                               LPSECURITY_ATTRIBUTES security, DWORD creation, DWORD flags,
                               HANDLE model) {
    HANDLE handle =
        RealSystemCalls().createFile(path, access, sharing, security, creation, flags, model);
    if (handle != INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        Name(handle, path);
        SetLastError(error);  // OPEN_ALWAYS tells a file that was there by it
    }
    return handle;
}

BOOL WINAPI ReadFileFaulty(HANDLE handle, LPVOID buffer, DWORD count, LPDWORD done,
                           LPOVERLAPPED overlapped) {
    BeforeRead(handle);
    std::size_t want = count;
    if (Targeted(handle) && !TakeFromBudget(active->readBudget, want, false)) {
        SetLastError(ERROR_READ_FAULT);
        return FALSE;
    }
    const BOOL result =
        RealSystemCalls().readFile(handle, buffer, static_cast<DWORD>(want), done, overlapped);
    if (result && Targeted(handle)) Spend(active->readBudget, *done);
    return result;
}

BOOL WINAPI WriteFileFaulty(HANDLE handle, LPCVOID data, DWORD count, LPDWORD done,
                            LPOVERLAPPED overlapped) {
    std::size_t want = count;
    LARGE_INTEGER position = {};
    const LARGE_INTEGER none = {};
    if (Targeted(handle) &&
        (!TakeFromBudget(active->writeBudget, want, active->diskStaysFull) ||
         !RealSystemCalls().setFilePointerEx(handle, none, &position, FILE_CURRENT) ||
         !WholePagesOnly(static_cast<std::uint64_t>(position.QuadPart), count, want))) {
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    const BOOL result =
        RealSystemCalls().writeFile(handle, data, static_cast<DWORD>(want), done, overlapped);
    if (result && Targeted(handle)) Spend(active->writeBudget, *done);
    return result;
}

BOOL WINAPI CloseFaulty(HANDLE handle) {
    Forget(handle);
    return RealSystemCalls().closeHandle(handle);
}

BOOL WINAPI InformationFaulty(HANDLE handle, LPBY_HANDLE_FILE_INFORMATION info) {
    BeforeStatus(handle);
    return RealSystemCalls().getFileInformationByHandle(handle, info);
}

void Install() {
    SystemCalls& calls = FileSystemCalls();
    calls.createFile = CreateFileFaulty;
    calls.readFile = ReadFileFaulty;
    calls.writeFile = WriteFileFaulty;
    calls.closeHandle = CloseFaulty;
    calls.getFileInformationByHandle = InformationFaulty;
}

#else

int OpenFaulty(const char* path, int flags, mode_t mode) {
    const int fd = RealSystemCalls().open(path, flags, mode);
    if (fd >= 0 && (flags & O_DIRECTORY) == 0) Name(fd, path);
    return fd;
}

ssize_t ReadFaulty(int fd, void* buffer, size_t count) {
    BeforeRead(fd);
    std::size_t want = count;
    if (Targeted(fd) && !TakeFromBudget(active->readBudget, want, false)) {
        errno = EIO;
        return -1;
    }
    const ssize_t done = RealSystemCalls().read(fd, buffer, want);
    if (Targeted(fd)) Spend(active->readBudget, done);
    return done;
}

ssize_t WriteFaulty(int fd, const void* data, size_t count) {
    std::size_t want = count;
    if (Targeted(fd) &&
        (!TakeFromBudget(active->writeBudget, want, active->diskStaysFull) ||
         !WholePagesOnly(static_cast<std::uint64_t>(RealSystemCalls().lseek(fd, 0, SEEK_CUR)),
                         count, want))) {
        errno = ENOSPC;
        return -1;
    }
    const ssize_t done = RealSystemCalls().write(fd, data, want);
    if (Targeted(fd)) Spend(active->writeBudget, done);
    return done;
}

int StatusFaulty(int fd, struct stat* status) {
    BeforeStatus(fd);
    const int result = RealSystemCalls().fstat(fd, status);
    if (result == 0 && Targeted(fd) && active->alterStatus)
        active->alterStatus(NameOf(fd), *status);
    return result;
}

int CloseFaulty(int fd) {
    Forget(fd);
    return RealSystemCalls().close(fd);
}

void Install() {
    SystemCalls& calls = FileSystemCalls();
    calls.open = OpenFaulty;
    calls.read = ReadFaulty;
    calls.write = WriteFaulty;
    calls.fstat = StatusFaulty;
    calls.close = CloseFaulty;
}

#endif

}  // namespace

FaultInjection::FaultInjection(FileAccessFaults& faults) {
    active = &faults;
    Install();
}

FaultInjection::~FaultInjection() {
    FileSystemCalls() = RealSystemCalls();
    active = nullptr;
    std::lock_guard<std::mutex> lock(namesLock);
    names.clear();
}
