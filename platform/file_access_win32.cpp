// File access over the Win32 file API, with the access, sharing and creation flags a
// conversion run opens its files with.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include "platform/file_access.h"

namespace {

// Large enough that a file goes in a few calls, small enough for any device's transfers.
constexpr DWORD kMaxTransfer = 32u << 20;

HANDLE AsHandle(void* handle) {
    return static_cast<HANDLE>(handle);
}

}  // namespace

SystemErrorCode LastSystemError() {
    return GetLastError();
}

void SetLastSystemError(SystemErrorCode code) {
    SetLastError(code);
}

std::string SystemErrorText(SystemErrorCode code) {
    char* buffer = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&buffer),
        0, nullptr);
    std::string text;
    if (length != 0 && buffer != nullptr) {
        text.assign(buffer, length);
    } else {
        text = "Unknown error " + std::to_string(code);
    }
    if (buffer != nullptr) LocalFree(buffer);
    return text;
}

SystemErrorCode SystemErrorFor(FileProblem problem) {
    switch (problem) {
        case FileProblem::TooLarge:
            return ERROR_FILE_TOO_LARGE;
        case FileProblem::OutOfMemory:
            return ERROR_NOT_ENOUGH_MEMORY;
        case FileProblem::EndOfFile:
            return ERROR_HANDLE_EOF;
        case FileProblem::ReadFault:
            return ERROR_READ_FAULT;
        case FileProblem::DiskFull:
            return ERROR_DISK_FULL;
    }
    return ERROR_GEN_FAILURE;
}

File::~File() {
    if (IsOpen()) CloseHandle(AsHandle(handle_));
}

File::File(File&& other) noexcept
    : path_(std::move(other.path_)),
      created_(other.created_),
      handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (IsOpen()) CloseHandle(AsHandle(handle_));
        path_ = std::move(other.path_);
        created_ = other.created_;
        handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
    }
    return *this;
}

bool File::Open(const std::string& path, FileOpening opening) {
    if (IsOpen()) CloseHandle(AsHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)));
    path_ = path;
    created_ = false;
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (opening == FileOpening::ReadExisting) {
        handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    } else if (opening == FileOpening::ReadShared) {
        handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    } else if (opening == FileOpening::ReplaceAlways) {
        handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        created_ = handle != INVALID_HANDLE_VALUE && GetLastError() != ERROR_ALREADY_EXISTS;
    } else {
        handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        // OPEN_ALWAYS tells a file that was there by this code.
        created_ = handle != INVALID_HANDLE_VALUE && GetLastError() != ERROR_ALREADY_EXISTS;
    }
    if (handle == INVALID_HANDLE_VALUE) return Failed();
    handle_ = handle;
    return true;
}

SystemErrorCode RemoveFile(const std::string& path) {
    return DeleteFileA(path.c_str()) != 0 ? 0 : GetLastError();
}

namespace {

FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& info) {
    return {info.dwVolumeSerialNumber,
            (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// Opens `path` only to look at it: no access to the content, so it never conflicts with the
// handles other programs hold.
HANDLE OpenToInspect(const std::string& path, DWORD access, DWORD sharing) {
    return CreateFileA(path.c_str(), access, sharing, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

}  // namespace

SystemErrorCode IdentityAtPath(const std::string& path, FileIdentity& identity, bool& exists) {
    exists = false;
    HANDLE handle = OpenToInspect(path, FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 0 : error;
    }
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(handle, &info) != 0;
    const DWORD error = known ? 0 : GetLastError();
    CloseHandle(handle);
    if (!known) return error;
    exists = true;
    identity = IdentityOf(info);
    return 0;
}

// Windows keeps a folder's entries in the file system's own log; there is no folder to flush.
SystemErrorCode FlushFolderOf(const std::string&) {
    return 0;
}

bool File::FlushToDisk() {
    return FlushFileBuffers(AsHandle(handle_)) != 0;
}

// Windows has no call that starts the writing without waiting for it.
void File::StartFlush(std::uint64_t, std::uint64_t) {}

bool File::LockForRun() {
    // One byte at 2^63 - 2: no text reaches it, so no reader or writer of the UCF meets it.
    OVERLAPPED at = {};
    at.Offset = 0xFFFFFFFEu;
    at.OffsetHigh = 0x7FFFFFFFu;
    if (LockFileEx(AsHandle(handle_), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at)) return true;
    // A file system or share that cannot lock cannot order runs; it is used as before rather
    // than refused, as on POSIX.
    const DWORD error = GetLastError();
    return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION || Failed(error);
}

bool File::Identity(FileIdentity& identity) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(AsHandle(handle_), &info)) return Failed();
    identity = IdentityOf(info);
    return true;
}

bool File::SetLastWriteTimeToNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return SetFileTime(AsHandle(handle_), nullptr, nullptr, &now) != 0 || Failed();
}

bool File::CloseAndRemove() {
    // The file's handles do not share deletion, so it can only go once every handle is closed.
    // Reopened alone (no sharing at all), it is still ours when its identity is the one we had;
    // any other program or waiting run that has it open makes the open fail, and the file stays.
    FileIdentity mine;
    if (!Identity(mine)) {
        Close();
        return false;
    }
    if (!Close()) return false;
    HANDLE alone = OpenToInspect(path_, DELETE | FILE_READ_ATTRIBUTES, 0);
    if (alone == INVALID_HANDLE_VALUE) return Failed();
    BY_HANDLE_FILE_INFORMATION info;
    DWORD error = 0;
    if (!GetFileInformationByHandle(alone, &info)) {
        error = GetLastError();
    } else if (IdentityOf(info) == mine) {
        FILE_DISPOSITION_INFO disposition = {TRUE};
        if (!SetFileInformationByHandle(alone, FileDispositionInfo, &disposition,
                                        sizeof disposition)) {
            error = GetLastError();
        }
    }
    CloseHandle(alone);
    return error == 0 || Failed(error);
}

bool File::IsOpen() const {
    return AsHandle(handle_) != INVALID_HANDLE_VALUE;
}

bool File::QuerySize(std::uint64_t& size) {
    LARGE_INTEGER value;
    if (!GetFileSizeEx(AsHandle(handle_), &value)) return false;
    size = static_cast<std::uint64_t>(value.QuadPart);
    return true;
}

bool File::Seek(std::uint64_t position) {
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(position);
    return SetFilePointerEx(AsHandle(handle_), distance, nullptr, FILE_BEGIN) != 0 || Failed();
}

bool File::ReadSome(void* buffer, std::size_t count, std::size_t& done) {
    DWORD read = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count, kMaxTransfer));
    if (!ReadFile(AsHandle(handle_), buffer, want, &read, nullptr)) return false;
    done = read;
    return true;
}

bool File::WriteSome(const void* data, std::size_t count, std::size_t& done) {
    DWORD written = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count, kMaxTransfer));
    if (!WriteFile(AsHandle(handle_), data, want, &written, nullptr)) return false;
    done = written;
    return true;
}

bool File::SetLength(std::uint64_t length) {
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(length);
    return SetFilePointerEx(AsHandle(handle_), distance, nullptr, FILE_BEGIN) != 0 &&
           SetEndOfFile(AsHandle(handle_)) != 0;
}

bool File::Close() {
    if (!IsOpen()) return true;
    return CloseHandle(AsHandle(std::exchange(handle_, INVALID_HANDLE_VALUE))) != 0 || Failed();
}
