#include "platform/system_calls.h"

#ifndef _WIN32
#include <fcntl.h>
#ifdef __linux__
#include <linux/fs.h>
#endif
#include <stdio.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace {

#ifdef _WIN32

const SystemCalls kReal = {.createFile = CreateFileA,
                           .readFile = ReadFile,
                           .writeFile = WriteFile,
                           .setFilePointerEx = SetFilePointerEx,
                           .flushFileBuffers = FlushFileBuffers,
                           .setEndOfFile = SetEndOfFile,
                           .lockFileEx = LockFileEx,
                           .setFileTime = SetFileTime,
                           .getFileInformationByHandle = GetFileInformationByHandle,
                           .getFileInformationByHandleEx = GetFileInformationByHandleEx,
                           .setFileInformationByHandle = SetFileInformationByHandle,
                           .getFileType = GetFileType,
                           .getFinalPathNameByHandleA = GetFinalPathNameByHandleA,
                           .getFileAttributesA = GetFileAttributesA,
                           .findFirstFileA = FindFirstFileA,
                           .findNextFileA = FindNextFileA,
                           .findClose = FindClose,
                           .deleteFileA = DeleteFileA,
                           .moveFileExA = MoveFileExA,
                           .closeHandle = CloseHandle};

#else

// The variadic calls and those that older C libraries lack, each with one fixed signature.
int OpenFile(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}

int StatusOf(int fd, struct stat* status) {
    return ::fstat(fd, status);
}

int StatusAt(const char* path, struct stat* status) {
    return ::stat(path, status);
}

int LinkStatusAt(const char* path, struct stat* status) {
    return ::lstat(path, status);
}

int ExtendedStatus(int dir, const char* path, int flags, unsigned mask, struct statx* status) {
#ifdef STATX_BTIME
    return ::statx(dir, path, flags, mask, status);
#else
    (void)dir, (void)path, (void)flags, (void)mask, (void)status;
    errno = ENOSYS;
    return -1;
#endif
}

int GenerationOf(int fd, long* generation) {
#ifdef FS_IOC_GETVERSION
    return ::ioctl(fd, FS_IOC_GETVERSION, generation);
#else
    (void)fd, (void)generation;
    errno = ENOTTY;
    return -1;
#endif
}

int SyncRange(int fd, off_t offset, off_t count, unsigned flags) {
#ifdef SYNC_FILE_RANGE_WRITE
    return ::sync_file_range(fd, offset, count, flags);
#else
    (void)fd, (void)offset, (void)count, (void)flags;
    errno = ENOSYS;
    return -1;
#endif
}

int Control(int fd, int command, int argument) {
    return ::fcntl(fd, command, argument);
}

int LockRange(int fd, int command, struct flock* range) {
    return ::fcntl(fd, command, range);
}

int RenameNoReplace(const char* from, const char* to) {
#ifdef RENAME_NOREPLACE
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
#else
    (void)from, (void)to;
    errno = ENOSYS;
    return -1;
#endif
}

const SystemCalls kReal = {.open = OpenFile,
                           .read = ::read,
                           .write = ::write,
                           .lseek = ::lseek,
                           .fstat = StatusOf,
                           .stat = StatusAt,
                           .lstat = LinkStatusAt,
                           .statx = ExtendedStatus,
                           .getVersion = GenerationOf,
                           .fsync = ::fsync,
                           .syncFileRange = SyncRange,
                           .ftruncate = ::ftruncate,
                           .fcntl = Control,
                           .lockRange = LockRange,
                           .flock = ::flock,
                           .futimens = ::futimens,
                           .fchmod = ::fchmod,
                           .umask = ::umask,
                           .realpath = ::realpath,
                           .readlink = ::readlink,
                           .opendir = ::opendir,
                           .readdir = ::readdir,
                           .closedir = ::closedir,
                           .unlink = ::unlink,
                           .link = ::link,
                           .rename = ::rename,
                           .renameNoReplace = RenameNoReplace,
                           .close = ::close};

#endif

SystemCalls calls = kReal;

}  // namespace

SystemCalls& FileSystemCalls() {
    return calls;
}

const SystemCalls& RealSystemCalls() {
    return kReal;
}
