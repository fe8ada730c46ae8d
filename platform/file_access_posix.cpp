// File access over POSIX calls, with the outcomes of the Windows flags a conversion run opens
// its files with: the source read only under a shared lock that lets others read, the UCF and
// the EDIF file read-write, created when missing and left to others for reading and writing.
// Calls that older kernels lack (open file description locks before 3.15, renameat2 before
// 3.15, statx before 4.11) are tried first and, when the kernel's answer says it has no such
// call, done the older way.
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

const SystemCalls& Sys() {
    return FileSystemCalls();
}

// A call repeated while a signal interrupts it.
template <typename Call>
auto Retried(Call call) {
    decltype(call()) result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

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
    return Retried([&] { return Sys().open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY, mode); });
}

std::int64_t Ticks(const struct timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

FileStatus StatusFrom(const struct stat& status) {
    FileStatus result;
    result.identity = {static_cast<std::uint64_t>(status.st_dev),
                       static_cast<std::uint64_t>(status.st_ino)};
    result.state = {static_cast<std::uint64_t>(status.st_size), Ticks(status.st_mtim),
                    Ticks(status.st_ctim)};
    result.regular = S_ISREG(status.st_mode);
    result.folder = S_ISDIR(status.st_mode);
    result.link = S_ISLNK(status.st_mode);
    result.permissions = static_cast<unsigned>(status.st_mode & 07777);
    result.ownerKnown = true;
    result.owner = static_cast<std::uint32_t>(status.st_uid);
    result.links = static_cast<std::uint64_t>(status.st_nlink);
    return result;
}

bool NamesNothing(int error) {
    return error == ENOENT || error == ENOTDIR;
}

// Whether an error says that the kernel or the file system has no such call or flag.
bool NotProvided(int error) {
    return error == ENOSYS || error == EINVAL || error == EOPNOTSUPP || error == ENOTTY;
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
        case FileProblem::NameTaken:
            return EEXIST;
    }
    return EIO;
}

File::~File() {
    if (fd_ >= 0) Sys().close(fd_);
}

bool File::Open(const std::string& path, FileOpening opening, unsigned permissions) {
    if (fd_ >= 0) Sys().close(std::exchange(fd_, -1));
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
        case FileOpening::ReadWriteExisting:
            fd = OpenPath(path, O_RDWR);
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
    fd_ = fd;
    // A file made here is empty and plain; the caller looks at it under its lock.
    if (created_) return true;
    FileStatus status;
    int error = 0;
    if (!Status(status)) {
        error = static_cast<int>(error_);
    } else if (status.folder && opening != FileOpening::WriteExisting) {
        // Windows refuses to open a folder as a file; so do we.
        error = EISDIR;
    } else if (opening == FileOpening::ReadExisting &&
               Retried([&] { return Sys().flock(fd, LOCK_SH | LOCK_NB); }) != 0 &&
               errno == EWOULDBLOCK) {
        // Someone is writing it under an exclusive lock. A file system without locks is read
        // unlocked: the lock only tells cooperating writers to wait.
        error = errno;
    } else if (opening == FileOpening::ReadShared || opening == FileOpening::ReadOwn) {
        // Opened without waiting for a FIFO's writer; read as usual from here on.
        const int flags = Sys().fcntl(fd, F_GETFL, 0);
        if (flags >= 0) Sys().fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    if (error != 0) {
        Sys().close(std::exchange(fd_, -1));
        return Failed(static_cast<SystemErrorCode>(error));
    }
    return true;
}

bool File::IsOpen() const {
    return fd_ >= 0;
}

bool File::Status(FileStatus& result) {
    struct stat status;
    if (Sys().fstat(fd_, &status) != 0) return Failed();
    result = StatusFrom(status);
    return true;
}

FileOrigin File::Origin() {
    FileOrigin origin;
#ifdef STATX_BTIME
    struct statx extended;
    std::memset(&extended, 0, sizeof extended);
    if (Sys().statx(fd_, "", AT_EMPTY_PATH, STATX_BTIME, &extended) == 0 &&
        (extended.stx_mask & STATX_BTIME) != 0) {
        origin.hasBirthTime = true;
        origin.birthTime = static_cast<std::int64_t>(extended.stx_btime.tv_sec) * 1000000000 +
                           extended.stx_btime.tv_nsec;
    }
#endif
    long generation = 0;
    if (Sys().getVersion(fd_, &generation) == 0) {
        origin.hasGeneration = true;
        origin.generation = static_cast<std::uint32_t>(generation);
    }
    return origin;
}

bool File::SetPermissions(unsigned permissions) {
    return Retried([&] { return Sys().fchmod(fd_, static_cast<mode_t>(permissions)); }) == 0 ||
           Failed();
}

bool File::Seek(std::uint64_t position) {
    if (!FitsOffset(position)) return Failed(EOVERFLOW);
    return Sys().lseek(fd_, static_cast<off_t>(position), SEEK_SET) >= 0 || Failed();
}

bool File::ReadSome(void* buffer, std::size_t count, std::size_t& done) {
    const ssize_t result =
        Retried([&] { return Sys().read(fd_, buffer, std::min(count, kMaxTransfer)); });
    if (result < 0) return false;
    done = static_cast<std::size_t>(result);
    return true;
}

bool File::WriteSome(const void* data, std::size_t count, std::size_t& done) {
    const ssize_t result =
        Retried([&] { return Sys().write(fd_, data, std::min(count, kMaxTransfer)); });
    if (result < 0) return false;
    done = static_cast<std::size_t>(result);
    return true;
}

bool File::Resize(std::uint64_t length) {
    if (!FitsOffset(length)) return Failed(EFBIG);
    return Retried([&] { return Sys().ftruncate(fd_, static_cast<off_t>(length)); }) == 0 ||
           Failed();
}

bool File::Flush() {
    return Retried([&] { return Sys().fsync(fd_); }) == 0 || Failed();
}

void File::StartFlush(std::uint64_t offset, std::uint64_t length) {
#ifdef SYNC_FILE_RANGE_WRITE
    if (FitsOffset(offset) && FitsOffset(length)) {
        Sys().syncFileRange(fd_, static_cast<off_t>(offset), static_cast<off_t>(length),
                            SYNC_FILE_RANGE_WRITE);
    }
#else
    (void)offset, (void)length;
#endif
}

bool File::TryLock(bool shared, bool wait, bool& held) {
    held = false;
    int result = -1;
    bool busy = false;
    bool done = false;
#ifdef F_OFD_SETLKW
    struct flock range = {};
    range.l_type = shared ? F_RDLCK : F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_start = kLockedByte;
    range.l_len = 1;
    result =
        Retried([&] { return Sys().lockRange(fd_, wait ? F_OFD_SETLKW : F_OFD_SETLK, &range); });
    busy = result != 0 && (errno == EAGAIN || errno == EACCES);
    // A kernel without open file description locks (before 3.15) answers EINVAL: the whole
    // file's flock serves there, which every run on that kernel takes alike.
    done = result == 0 || busy || errno != EINVAL;
#endif
    if (!done) {
        result = Retried(
            [&] { return Sys().flock(fd_, (shared ? LOCK_SH : LOCK_EX) | (wait ? 0 : LOCK_NB)); });
        busy = result != 0 && errno == EWOULDBLOCK;
    }
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
    const SystemErrorCode error = ResolvePath(path, resolved);
    return error == 0 || Failed(error);
}

SystemErrorCode ResolvePath(const std::string& path, std::string& resolved) {
    char* full = Sys().realpath(path.c_str(), nullptr);
    if (full == nullptr) return LastSystemError();
    resolved = full;
    std::free(full);
    return 0;
}

bool File::SetLastWriteTimeToNow() {
    return Sys().futimens(fd_, nullptr) == 0 || Failed();
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
    return Sys().close(std::exchange(fd_, -1)) == 0 || errno == EINTR || Failed();
}

SystemErrorCode RemoveFile(const std::string& path) {
    return Sys().unlink(path.c_str()) == 0 ? 0 : LastSystemError();
}

SystemErrorCode StatusAtPath(const std::string& path, bool followLinks, FileStatus& result,
                             bool& exists) {
    struct stat status;
    exists = false;
    const int outcome =
        followLinks ? Sys().stat(path.c_str(), &status) : Sys().lstat(path.c_str(), &status);
    if (outcome != 0) return NamesNothing(errno) ? 0 : LastSystemError();
    exists = true;
    result = StatusFrom(status);
    return 0;
}

SystemErrorCode NameTaken(const std::string& path, bool& taken) {
    FileStatus status;
    const SystemErrorCode error = StatusAtPath(path, false, status, taken);
    // A name too long for the file system names nothing.
    return error == ENAMETOOLONG ? 0 : error;
}

bool IsLinkRefusal(SystemErrorCode error) {
    return error == ELOOP;
}

bool IsNameTaken(SystemErrorCode error) {
    return error == EEXIST;
}

bool IsNoSuchFile(SystemErrorCode error) {
    return NamesNothing(static_cast<int>(error));
}

SystemErrorCode LinkTarget(const std::string& path, std::string& target, bool& isLink) {
    FileStatus status;
    bool exists = false;
    isLink = false;
    if (const SystemErrorCode error = StatusAtPath(path, false, status, exists)) return error;
    if (!exists || !status.link) return 0;
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t length = Sys().readlink(path.c_str(), buffer.data(), buffer.size());
        if (length < 0) return LastSystemError();
        if (static_cast<std::size_t>(length) < buffer.size()) {
            target.assign(buffer.data(), static_cast<std::size_t>(length));
            isLink = true;
            return 0;
        }
        buffer.resize(buffer.size() * 2);
    }
}

SystemErrorCode FlushFolderOf(const std::string& path) {
    const int fd = OpenPath(FolderOf(path), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return LastSystemError();
    const int result = Retried([&] { return Sys().fsync(fd); });
    const int error = result == 0 ? 0 : errno;
    Sys().close(fd);
    // Some file systems cannot flush a folder; their entries are then as safe as they get.
    return error == EINVAL || error == EROFS ? 0 : static_cast<SystemErrorCode>(error);
}

SystemErrorCode ReplaceFileWith(const std::string& from, const std::string& to) {
    return Sys().rename(from.c_str(), to.c_str()) == 0 ? 0 : LastSystemError();
}

SystemErrorCode MoveWithoutReplacing(const std::string& from, const std::string& to) {
    const SystemErrorCode taken = SystemErrorFor(FileProblem::NameTaken);
    if (Sys().renameNoReplace(from.c_str(), to.c_str()) == 0) return 0;
    if (errno == EEXIST) return taken;
    if (!NotProvided(errno)) return LastSystemError();
    // No such rename (a kernel before 3.15, a file system without the flag): a second name
    // made only where there is none, then the first one dropped.
    if (Sys().link(from.c_str(), to.c_str()) == 0) {
        // A first name that stays only leaves a temporary behind, which a later run removes.
        Sys().unlink(from.c_str());
        return 0;
    }
    if (errno == EEXIST) return taken;
    if (!NotProvided(errno) && errno != EPERM) return LastSystemError();
    // No links either (FAT): the caller's lock keeps its own runs away between the look and
    // the rename.
    bool present = false;
    if (const SystemErrorCode error = NameTaken(to, present)) return error;
    if (present) return taken;
    return ReplaceFileWith(from, to);
}

SystemErrorCode ListFolder(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    DIR* listing = Sys().opendir(folder.c_str());
    if (listing == nullptr) return LastSystemError();
    for (;;) {
        errno = 0;
        const struct dirent* entry = Sys().readdir(listing);
        if (entry == nullptr) break;
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    const SystemErrorCode error = LastSystemError();
    Sys().closedir(listing);
    return error;
}

std::uint32_t CurrentUser() {
    return static_cast<std::uint32_t>(::geteuid());
}

std::uint32_t CreationMask() {
    const mode_t mask = Sys().umask(0);
    Sys().umask(mask);
    return static_cast<std::uint32_t>(mask);
}
