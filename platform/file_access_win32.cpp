// File access over the Win32 file API, with the access, sharing and creation flags a
// conversion run opens its files with.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include "platform/file_access.h"
#include "platform/system_calls.h"

namespace {

// Large enough that a file goes in a few calls, small enough for any device's transfers.
constexpr DWORD kMaxTransfer = 32u << 20;

HANDLE AsHandle(void* handle) {
    return static_cast<HANDLE>(handle);
}

const SystemCalls& Sys() {
    return FileSystemCalls();
}

FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& info) {
    return {info.dwVolumeSerialNumber,
            (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// Opens `path` only to look at it: no access to the content, so it never conflicts with the
// handles other programs hold; a folder opens too. `followLinks` false opens a link itself.
HANDLE OpenToInspect(const std::string& path, DWORD access, DWORD sharing, bool followLinks) {
    const DWORD flags =
        FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    return Sys().createFile(path.c_str(), access, sharing, nullptr, OPEN_EXISTING, flags, nullptr);
}

bool NamesNothing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The status of an open handle: its identity, size and times, what kind of file it is.
bool StatusOfHandle(HANDLE handle, FileStatus& status) {
    BY_HANDLE_FILE_INFORMATION info;
    FILE_BASIC_INFO basic;
    if (!Sys().getFileInformationByHandle(handle, &info)) return false;
    if (!Sys().getFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)) {
        return false;
    }
    const DWORD type = Sys().getFileType(handle);
    status = FileStatus();
    status.identity = IdentityOf(info);
    status.state = {(static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow,
                    basic.LastWriteTime.QuadPart, basic.ChangeTime.QuadPart};
    status.folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    status.link = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    status.regular = type == FILE_TYPE_DISK && !status.folder && !status.link;
    status.links = info.nNumberOfLinks;
    return true;
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
        case FileProblem::Locked:
            return ERROR_LOCK_VIOLATION;
        case FileProblem::NameTaken:
            return ERROR_FILE_EXISTS;
    }
    return ERROR_GEN_FAILURE;
}

File::~File() {
    if (IsOpen()) Sys().closeHandle(AsHandle(handle_));
}

bool File::Open(const std::string& path, FileOpening opening, unsigned) {
    if (IsOpen()) Sys().closeHandle(AsHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)));
    created_ = false;
    DWORD access = GENERIC_READ;
    DWORD sharing = FILE_SHARE_READ;
    DWORD creation = OPEN_EXISTING;
    DWORD flags = FILE_ATTRIBUTE_NORMAL;
    switch (opening) {
        case FileOpening::ReadExisting:
            break;
        case FileOpening::ReadShared:
            sharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
            break;
        case FileOpening::ReadOwn:
            // The link itself, never what it points to.
            sharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
            flags |= FILE_FLAG_OPEN_REPARSE_POINT;
            break;
        case FileOpening::CreateNew:
            access = GENERIC_READ | GENERIC_WRITE;
            creation = CREATE_NEW;
            break;
        case FileOpening::WriteExisting:
            access = GENERIC_WRITE;
            sharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
            break;
        case FileOpening::ReadWriteAlways:
            access = GENERIC_READ | GENERIC_WRITE;
            sharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
            creation = OPEN_ALWAYS;
            break;
        case FileOpening::ReadWriteExisting:
            access = GENERIC_READ | GENERIC_WRITE;
            sharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
            break;
    }
    HANDLE handle =
        Sys().createFile(path.c_str(), access, sharing, nullptr, creation, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return Failed();
    // OPEN_ALWAYS tells a file that was there by this code.
    created_ = opening == FileOpening::CreateNew ||
               (opening == FileOpening::ReadWriteAlways && GetLastError() != ERROR_ALREADY_EXISTS);
    handle_ = handle;
    return true;
}

SystemErrorCode RemoveFile(const std::string& path) {
    return Sys().deleteFileA(path.c_str()) != 0 ? 0 : GetLastError();
}

SystemErrorCode StatusAtPath(const std::string& path, bool followLinks, FileStatus& status,
                             bool& exists) {
    exists = false;
    HANDLE handle =
        OpenToInspect(path, FILE_READ_ATTRIBUTES,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, followLinks);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return NamesNothing(error) ? 0 : error;
    }
    const bool known = StatusOfHandle(handle, status);
    const DWORD error = known ? 0 : GetLastError();
    Sys().closeHandle(handle);
    exists = known;
    return error;
}

// Windows keeps a folder's entries in the file system's own log; there is no folder to flush.
SystemErrorCode FlushFolderOf(const std::string&) {
    return 0;
}

bool File::Flush() {
    return Sys().flushFileBuffers(AsHandle(handle_)) != 0 || Failed();
}

// Windows has no call that starts the writing without waiting for it.
void File::StartFlush(std::uint64_t, std::uint64_t) {}

bool File::TryLock(bool shared, bool wait, bool& held) {
    held = false;
    // One byte at 2^63 - 2: no text reaches it, so no reader or writer of the UCF meets it.
    OVERLAPPED at = {};
    at.Offset = 0xFFFFFFFEu;
    at.OffsetHigh = 0x7FFFFFFFu;
    const DWORD flags =
        (shared ? 0 : LOCKFILE_EXCLUSIVE_LOCK) | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
    if (Sys().lockFileEx(AsHandle(handle_), flags, 0, 1, 0, &at)) {
        held = true;
        return true;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) return true;
    // A file system or share that cannot lock cannot order runs; it is used as before rather
    // than refused, as on POSIX.
    if (error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION) {
        held = true;
        return true;
    }
    return Failed(error);
}

bool File::Status(FileStatus& status) {
    return StatusOfHandle(AsHandle(handle_), status) || Failed();
}

// The file index of NTFS carries a sequence number that tells a reused number apart; the
// creation time is not taken, since Wine derives it from times that change with every write.
FileOrigin File::Origin() {
    return {};
}

bool File::SetPermissions(unsigned) {
    return true;
}

namespace {

// The final path of an open handle, in the usual form rather than the long-path one.
DWORD FinalPathOf(HANDLE handle, std::string& resolved) {
    char buffer[MAX_PATH * 4];
    const DWORD length = Sys().getFinalPathNameByHandleA(handle, buffer, sizeof buffer,
                                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return GetLastError();
    if (length >= sizeof buffer) return ERROR_FILENAME_EXCED_RANGE;
    resolved.assign(buffer, length);
    // The system's long-path prefix names the same file; the usual form is kept.
    if (resolved.rfind("\\\\?\\UNC\\", 0) == 0) {
        resolved = "\\\\" + resolved.substr(8);
    } else if (resolved.rfind("\\\\?\\", 0) == 0) {
        resolved = resolved.substr(4);
    }
    return 0;
}

}  // namespace

bool File::ResolvedPath(const std::string&, std::string& resolved) {
    const DWORD error = FinalPathOf(AsHandle(handle_), resolved);
    return error == 0 || Failed(error);
}

SystemErrorCode ResolvePath(const std::string& path, std::string& resolved) {
    HANDLE handle = OpenToInspect(path, FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, true);
    if (handle == INVALID_HANDLE_VALUE) return GetLastError();
    const DWORD error = FinalPathOf(handle, resolved);
    Sys().closeHandle(handle);
    return error;
}

bool File::SetLastWriteTimeToNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return Sys().setFileTime(AsHandle(handle_), nullptr, nullptr, &now) != 0 || Failed();
}

bool File::CloseAndRemove(const std::string& path) {
    // The file's handles do not share deletion, so it can only go once every handle is closed.
    // Reopened alone (no sharing at all), it is still ours when its identity is the one we had;
    // any other program or waiting run that has it open makes the open fail, and the file stays.
    FileIdentity mine;
    if (!Identity(mine)) {
        Close();
        return false;
    }
    if (!Close()) return false;
    HANDLE alone = OpenToInspect(path, DELETE | FILE_READ_ATTRIBUTES, 0, false);
    if (alone == INVALID_HANDLE_VALUE) return Failed();
    BY_HANDLE_FILE_INFORMATION info;
    DWORD error = 0;
    if (!Sys().getFileInformationByHandle(alone, &info)) {
        error = GetLastError();
    } else if (IdentityOf(info) == mine) {
        FILE_DISPOSITION_INFO disposition = {TRUE};
        if (!Sys().setFileInformationByHandle(alone, FileDispositionInfo, &disposition,
                                              sizeof disposition)) {
            error = GetLastError();
        }
    }
    Sys().closeHandle(alone);
    return error == 0 || Failed(error);
}

bool File::IsOpen() const {
    return AsHandle(handle_) != INVALID_HANDLE_VALUE;
}

bool File::Seek(std::uint64_t position) {
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(position);
    return Sys().setFilePointerEx(AsHandle(handle_), distance, nullptr, FILE_BEGIN) != 0 ||
           Failed();
}

bool File::ReadSome(void* buffer, std::size_t count, std::size_t& done) {
    DWORD read = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count, kMaxTransfer));
    if (!Sys().readFile(AsHandle(handle_), buffer, want, &read, nullptr)) return false;
    done = read;
    return true;
}

bool File::WriteSome(const void* data, std::size_t count, std::size_t& done) {
    DWORD written = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count, kMaxTransfer));
    if (!Sys().writeFile(AsHandle(handle_), data, want, &written, nullptr)) return false;
    done = written;
    return true;
}

bool File::Resize(std::uint64_t length) {
    return (Seek(length) && Sys().setEndOfFile(AsHandle(handle_)) != 0) || Failed();
}

bool File::Close() {
    if (!IsOpen()) return true;
    return Sys().closeHandle(AsHandle(std::exchange(handle_, INVALID_HANDLE_VALUE))) != 0 ||
           Failed();
}

SystemErrorCode NameTaken(const std::string& path, bool& taken) {
    taken = Sys().getFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    const DWORD error = taken ? 0 : GetLastError();
    return taken || NamesNothing(error) ? 0 : error;
}

// Windows opens the link itself (FILE_FLAG_OPEN_REPARSE_POINT), which the status then shows
// as no plain file.
bool IsLinkRefusal(SystemErrorCode) {
    return false;
}

bool IsNameTaken(SystemErrorCode error) {
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

bool IsNoSuchFile(SystemErrorCode error) {
    return NamesNothing(error);
}

// Windows programs follow a link when they open it; an output is written where it leads.
SystemErrorCode LinkTarget(const std::string&, std::string&, bool& isLink) {
    isLink = false;
    return 0;
}

SystemErrorCode ReplaceFileWith(const std::string& from, const std::string& to) {
    return Sys().moveFileExA(from.c_str(), to.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0
               ? 0
               : GetLastError();
}

SystemErrorCode MoveWithoutReplacing(const std::string& from, const std::string& to) {
    if (Sys().moveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != 0) return 0;
    const DWORD error = GetLastError();
    return IsNameTaken(error) ? SystemErrorFor(FileProblem::NameTaken) : error;
}

SystemErrorCode ListFolder(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    WIN32_FIND_DATAA found;
    const std::string pattern =
        folder + (folder.empty() || folder.back() == '\\' || folder.back() == '/' ? "*" : "\\*");
    HANDLE search = Sys().findFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? 0 : error;
    }
    DWORD error = 0;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (Sys().findNextFileA(search, &found));
    error = GetLastError();
    Sys().findClose(search);
    return error == ERROR_NO_MORE_FILES ? 0 : error;
}

std::uint32_t CurrentUser() {
    return 0;
}

std::uint32_t CreationMask() {
    return 0;
}
