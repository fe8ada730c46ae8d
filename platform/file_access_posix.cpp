// File access over POSIX calls, with the outcomes of the Windows flags a conversion run opens
// its files with: the source read only under a shared lock that lets others read, the UCF and
// the EDIF file read-write, created when missing and left to others for reading and writing.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <utility>

#include "platform/file_access.h"
#include "platform/system_calls.h"

namespace {

// Linux moves at most about 2 GiB per call; stay under it everywhere.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;

// The byte the runs lock: the one the Windows build locks, which Wine turns into the same
// POSIX lock, and which no text reaches.
constexpr off_t kLockedByte = static_cast<off_t>((std::uint64_t{1} << 63) - 2);

// strerror_r is the GNU one (returns the text) or the XSI one (fills the buffer).
[[maybe_unused]] const char* ErrorTextOf(int result, const char* buffer) {
    return result == 0 ? buffer : nullptr;
}
[[maybe_unused]] const char* ErrorTextOf(const char* result, const char*) {
    return result;
}

bool FitsOffset(std::uint64_t value) {
    return value <= static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());
}

int OpenPath(const std::string& path, int flags, mode_t mode = 0666) {
    int fd = -1;
    do {
        fd = FileSystemCalls().open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

std::int64_t Ticks(const struct timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

std::string FolderOf(const std::string& path) {
    const std::string::size_type slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

SystemErrorCode LastSystemError() {
    return static_cast<SystemErrorCode>(errno);
}

void SetLastSystemError(SystemErrorCode code) {
    errno = static_cast<int>(code);
}

std::string SystemErrorText(SystemErrorCode code) {
    char buffer[256] = {};
    const char* text =
        ErrorTextOf(strerror_r(static_cast<int>(code), buffer, sizeof buffer), buffer);
    if (text == nullptr || *text == '\0') return "Unknown error " + std::to_string(code);
    return text;
}

SystemErrorCode SystemErrorFor(FileProblem problem) {
    switch (problem) {
        case FileProblem::TooLarge:
            return EFBIG;
        case FileProblem::OutOfMemory:
            return ENOMEM;
        case FileProblem::EndOfFile:
#ifdef ENODATA
            return ENODATA;
#else
            return EIO;
#endif
        case FileProblem::ReadFault:
            return EIO;
        case FileProblem::DiskFull:
            return ENOSPC;
        case FileProblem::Locked:
            return EWOULDBLOCK;
    }
    return EIO;
}

File::~File() {
    if (fd_ >= 0) FileSystemCalls().close(fd_);
}

bool File::Open(const std::string& path, FileOpening opening, unsigned permissions) {
    if (fd_ >= 0) FileSystemCalls().close(std::exchange(fd_, -1));
    created_ = false;
    int fd = -1;
    switch (opening) {
        case FileOpening::ReadExisting:
            fd = OpenPath(path, O_RDONLY);
            break;
        case FileOpening::ReadShared:
            fd = OpenPath(path, O_RDONLY | O_NONBLOCK);
            break;
        case FileOpening::ReadOwn:
            fd = OpenPath(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
            break;
        case FileOpening::CreateNew:
            fd = OpenPath(path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW,
                          static_cast<mode_t>(permissions & 0777));
            created_ = fd >= 0;
            break;
        case FileOpening::WriteExisting:
            fd = OpenPath(path, O_WRONLY);
            break;
        case FileOpening::ReadWriteAlways:
            fd = OpenPath(path, O_RDWR);
            if (fd < 0 && errno == ENOENT) {
                // Made here only when it is missing, so that the run knows whether the file
                // is its own.
                fd = OpenPath(path, O_RDWR | O_CREAT | O_EXCL);
                created_ = fd >= 0;
                // Made by someone else meanwhile, or a link to a missing file: open it as it
                // comes.
                if (fd < 0 && errno == EEXIST) fd = OpenPath(path, O_RDWR | O_CREAT);
            }
            break;
    }
    if (fd < 0) return Failed();
    struct stat status;
    int error = 0;
    if (::fstat(fd, &status) != 0) {
        error = errno;
    } else if (S_ISDIR(status.st_mode) && opening != FileOpening::WriteExisting) {
        // Windows refuses to open a folder as a file; so do we.
        error = EISDIR;
    } else if (opening == FileOpening::ReadExisting && ::flock(fd, LOCK_SH | LOCK_NB) != 0 &&
               errno == EWOULDBLOCK) {
        // Someone is writing it under an exclusive lock. A file system without locks is read
        // unlocked: the lock only tells cooperating writers to wait.
        error = errno;
    } else if (opening == FileOpening::ReadShared || opening == FileOpening::ReadOwn) {
        // Opened without waiting for a FIFO's writer; read as usual from here on.
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    }
    if (error != 0) {
        FileSystemCalls().close(fd);
        created_ = false;
        return Failed(error);
    }
    fd_ = fd;
    return true;
}

bool File::IsOpen() const {
    return fd_ >= 0;
}

bool File::Status(FileStatus& result) {
    struct stat status;
    if (FileSystemCalls().fstat(fd_, &status) != 0) return Failed();
    result.identity = {static_cast<std::uint64_t>(status.st_dev),
                       static_cast<std::uint64_t>(status.st_ino)};
    result.state = {static_cast<std::uint64_t>(status.st_size), Ticks(status.st_mtim),
                    Ticks(status.st_ctim)};
    result.regular = S_ISREG(status.st_mode);
    result.permissions = static_cast<unsigned>(status.st_mode & 07777);
    return true;
}

bool File::Seek(std::uint64_t position) {
    if (!FitsOffset(position)) return Failed(EOVERFLOW);
    return ::lseek(fd_, static_cast<off_t>(position), SEEK_SET) >= 0 || Failed();
}

bool File::ReadSome(void* buffer, std::size_t count, std::size_t& done) {
    ssize_t result = 0;
    do {
        result = FileSystemCalls().read(fd_, buffer, std::min(count, kMaxTransfer));
    } while (result < 0 && errno == EINTR);
    if (result < 0) return false;
    done = static_cast<std::size_t>(result);
    return true;
}

bool File::WriteSome(const void* data, std::size_t count, std::size_t& done) {
    ssize_t result = 0;
    do {
        result = FileSystemCalls().write(fd_, data, std::min(count, kMaxTransfer));
    } while (result < 0 && errno == EINTR);
    if (result < 0) return false;
    done = static_cast<std::size_t>(result);
    return true;
}

bool File::Resize(std::uint64_t length) {
    if (!FitsOffset(length)) return Failed(EFBIG);
    int result = 0;
    do {
        result = FileSystemCalls().ftruncate(fd_, static_cast<off_t>(length));
    } while (result != 0 && errno == EINTR);
    return result == 0 || Failed();
}

bool File::Flush() {
    int result = 0;
    do {
        result = FileSystemCalls().fsync(fd_);
    } while (result != 0 && errno == EINTR);
    return result == 0 || Failed();
}

void File::StartFlush([[maybe_unused]] std::uint64_t offset,
                      [[maybe_unused]] std::uint64_t length) {
#if defined(__linux__) && defined(SYNC_FILE_RANGE_WRITE)
    if (FitsOffset(offset) && FitsOffset(length)) {
        ::sync_file_range(fd_, static_cast<off_t>(offset), static_cast<off_t>(length),
                          SYNC_FILE_RANGE_WRITE);
    }
#endif
}

bool File::TryLock(bool shared, bool wait, bool& held) {
    held = false;
    int result = 0;
#ifdef F_OFD_SETLKW
    struct flock range = {};
    range.l_type = shared ? F_RDLCK : F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_start = kLockedByte;
    range.l_len = 1;
    do {
        result = ::fcntl(fd_, wait ? F_OFD_SETLKW : F_OFD_SETLK, &range);
    } while (result != 0 && errno == EINTR);
    const bool busy = result != 0 && (errno == EAGAIN || errno == EACCES);
#else
    do {
        result = ::flock(fd_, (shared ? LOCK_SH : LOCK_EX) | (wait ? 0 : LOCK_NB));
    } while (result != 0 && errno == EINTR);
    const bool busy = result != 0 && errno == EWOULDBLOCK;
#endif
    if (result == 0 || busy) {
        held = result == 0;
        return true;
    }
    // A file system without locks (some network mounts) cannot order runs; it is used as
    // before rather than refused.
    if (errno == ENOLCK || errno == EOPNOTSUPP || errno == EINVAL) {
        held = true;
        return true;
    }
    return Failed();
}

bool File::ResolvedPath(const std::string& path, std::string& resolved) {
    std::unique_ptr<char, decltype(&std::free)> full(::realpath(path.c_str(), nullptr), &std::free);
    if (!full) return Failed();
    resolved = full.get();
    return true;
}

bool File::SetLastWriteTimeToNow() {
    return ::futimens(fd_, nullptr) == 0 || Failed();
}

bool File::CloseAndRemove(const std::string& path) {
    bool same = false;
    if (!StillAtPath(path, same)) {
        Close();
        return false;
    }
    // Unlinked while the lock is held, so no run that waits for it has written its text yet.
    const SystemErrorCode error = same ? RemoveFile(path) : 0;
    Close();
    return error == 0 || Failed(error);
}

bool File::Close() {
    if (fd_ < 0) return true;
    // Linux releases the descriptor even when close is interrupted: never retry it.
    return FileSystemCalls().close(std::exchange(fd_, -1)) == 0 || errno == EINTR || Failed();
}

SystemErrorCode RemoveFile(const std::string& path) {
    return FileSystemCalls().unlink(path.c_str()) == 0 ? 0 : LastSystemError();
}

SystemErrorCode IdentityAtPath(const std::string& path, FileIdentity& identity, bool& exists) {
    struct stat status;
    exists = false;
    if (::stat(path.c_str(), &status) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? 0 : LastSystemError();
    }
    exists = true;
    identity = {static_cast<std::uint64_t>(status.st_dev),
                static_cast<std::uint64_t>(status.st_ino)};
    return 0;
}

SystemErrorCode NameTaken(const std::string& path, bool& taken) {
    struct stat status;
    taken = ::lstat(path.c_str(), &status) == 0;
    // A name too long for the file system names nothing.
    return taken || errno == ENOENT || errno == ENOTDIR || errno == ENAMETOOLONG
               ? 0
               : LastSystemError();
}

bool IsLinkRefusal(SystemErrorCode error) {
    return error == ELOOP;
}

SystemErrorCode IsSpecialFile(const std::string& path, bool& special, bool& exists) {
    struct stat status;
    special = false;
    exists = false;
    if (::stat(path.c_str(), &status) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? 0 : LastSystemError();
    }
    exists = true;
    special = !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode);
    return 0;
}

SystemErrorCode FlushFolderOf(const std::string& path) {
    const int fd = OpenPath(FolderOf(path), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return LastSystemError();
    int result = 0;
    do {
        result = FileSystemCalls().fsync(fd);
    } while (result != 0 && errno == EINTR);
    const int error = result == 0 ? 0 : errno;
    FileSystemCalls().close(fd);
    // Some file systems cannot flush a folder; their entries are then as safe as they get.
    return error == EINVAL || error == EROFS ? 0 : static_cast<SystemErrorCode>(error);
}

SystemErrorCode ReplaceFileWith(const std::string& from, const std::string& to) {
    // The new file takes the old one's permissions (a temporary is made private).
    struct stat replaced;
    if (::stat(to.c_str(), &replaced) == 0) {
        ::chmod(from.c_str(), replaced.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(from.c_str(), 0666 & ~mask);
    }
    return FileSystemCalls().rename(from.c_str(), to.c_str()) == 0 ? 0 : LastSystemError();
}

SystemErrorCode CreateTemporaryBeside(const std::string& beside, File& file, std::string& path) {
    std::string name = beside + ".XXXXXX";
    // mkstemp's own open cannot go through the table; the name it made is opened again.
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return LastSystemError();
    ::close(fd);
    path = name;
    if (!file.Open(path, FileOpening::ReadWriteAlways)) {
        const SystemErrorCode error = file.Error();
        ::unlink(path.c_str());
        return error;
    }
    return 0;
}
