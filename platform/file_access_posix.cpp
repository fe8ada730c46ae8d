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
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include "platform/file_access.h"

namespace {

// Linux moves at most about 2 GiB per call; stay under it everywhere.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;

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

int OpenPath(const std::string& path, int flags) {
    int fd = -1;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool FailWith(int error) {
    errno = error;
    return false;
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
    }
    return EIO;
}

File::~File() {
    if (fd_ >= 0) ::close(fd_);
}

File::File(File&& other) noexcept
    : path_(std::move(other.path_)), created_(other.created_), fd_(std::exchange(other.fd_, -1)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        path_ = std::move(other.path_);
        created_ = other.created_;
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

bool File::Open(const std::string& path, FileOpening opening) {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    path_ = path;
    created_ = false;
    const bool readOnly =
        opening == FileOpening::ReadExisting || opening == FileOpening::ReadShared;
    int fd = -1;
    if (opening == FileOpening::ReplaceAlways) {
        fd = OpenPath(path, O_RDWR | O_CREAT | O_TRUNC);
    } else {
        fd = OpenPath(path, readOnly ? O_RDONLY : O_RDWR);
    }
    if (opening == FileOpening::ReadWriteAlways && fd < 0 && errno == ENOENT) {
        // Made here only when it is missing, so that the run knows whether the file is its own.
        fd = OpenPath(path, O_RDWR | O_CREAT | O_EXCL);
        created_ = fd >= 0;
        // Made by someone else meanwhile, or a link to a missing file: open it as it comes.
        if (fd < 0 && errno == EEXIST) fd = OpenPath(path, O_RDWR | O_CREAT);
    }
    if (fd < 0) return Failed();
    if (readOnly) {
        int error = 0;
        struct stat status;
        if (::fstat(fd, &status) != 0) {
            error = errno;
        } else if (S_ISDIR(status.st_mode)) {
            // Windows refuses to open a folder as a file; so do we.
            error = EISDIR;
        } else if (opening == FileOpening::ReadExisting && ::flock(fd, LOCK_SH | LOCK_NB) != 0 &&
                   errno == EWOULDBLOCK) {
            // Someone is writing it under an exclusive lock. A file system without locks
            // is read unlocked: the lock only tells cooperating writers to wait.
            error = errno;
        }
        if (error != 0) {
            ::close(fd);
            return Failed(error);
        }
    }
    fd_ = fd;
    return true;
}

bool File::IsOpen() const {
    return fd_ >= 0;
}

bool File::QuerySize(std::uint64_t& size) {
    struct stat status;
    if (::fstat(fd_, &status) != 0) return false;
    size = static_cast<std::uint64_t>(status.st_size);
    return true;
}

bool File::Seek(std::uint64_t position) {
    if (!FitsOffset(position)) return Failed(EOVERFLOW);
    return ::lseek(fd_, static_cast<off_t>(position), SEEK_SET) >= 0 || Failed();
}

bool File::ReadSome(void* buffer, std::size_t count, std::size_t& done) {
    ssize_t result = 0;
    do {
        result = ::read(fd_, buffer, std::min(count, kMaxTransfer));
    } while (result < 0 && errno == EINTR);
    if (result < 0) return false;
    done = static_cast<std::size_t>(result);
    return true;
}

bool File::WriteSome(const void* data, std::size_t count, std::size_t& done) {
    ssize_t result = 0;
    do {
        result = ::write(fd_, data, std::min(count, kMaxTransfer));
    } while (result < 0 && errno == EINTR);
    if (result < 0) return false;
    done = static_cast<std::size_t>(result);
    return true;
}

bool File::SetLength(std::uint64_t length) {
    if (!FitsOffset(length)) return FailWith(EFBIG);
    int result = 0;
    do {
        result = ::ftruncate(fd_, static_cast<off_t>(length));
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

bool File::FlushToDisk() {
    int result = 0;
    do {
        result = ::fsync(fd_);
    } while (result != 0 && errno == EINTR);
    return result == 0;
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

bool File::LockForRun() {
    int result = 0;
    do {
        result = ::flock(fd_, LOCK_EX);
    } while (result != 0 && errno == EINTR);
    // A file system without locks (some network mounts) cannot order runs; it is used as
    // before rather than refused.
    return result == 0 || errno == ENOLCK || errno == EOPNOTSUPP || Failed();
}

bool File::Identity(FileIdentity& identity) {
    struct stat status;
    if (::fstat(fd_, &status) != 0) return Failed();
    identity = {static_cast<std::uint64_t>(status.st_dev),
                static_cast<std::uint64_t>(status.st_ino)};
    return true;
}

bool File::SetLastWriteTimeToNow() {
    return ::futimens(fd_, nullptr) == 0 || Failed();
}

bool File::CloseAndRemove() {
    bool same = false;
    if (!StillAtPath(same)) {
        Close();
        return false;
    }
    // Unlinked while the lock is held, so no run that waits for it has written its text yet.
    const SystemErrorCode error = same ? RemoveFile(path_) : 0;
    Close();
    return error == 0 || Failed(error);
}

SystemErrorCode RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : LastSystemError();
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

SystemErrorCode FlushFolderOf(const std::string& path) {
    const std::string::size_type slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : path.substr(0, slash);
    const int fd = OpenPath(folder, O_RDONLY | O_DIRECTORY);
    if (fd < 0) return LastSystemError();
    int result = 0;
    do {
        result = ::fsync(fd);
    } while (result != 0 && errno == EINTR);
    const int error = result == 0 ? 0 : errno;
    ::close(fd);
    // Some file systems cannot flush a folder; their entries are then as safe as they get.
    return error == EINVAL || error == EROFS ? 0 : static_cast<SystemErrorCode>(error);
}

bool File::Close() {
    if (fd_ < 0) return true;
    // Linux releases the descriptor even when close is interrupted: never retry it.
    return ::close(std::exchange(fd_, -1)) == 0 || errno == EINTR || Failed();
}
