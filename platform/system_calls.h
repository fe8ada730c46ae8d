// The system calls the file layer makes, as one table of named function pointers: every call
// of platform/file_access_*.cpp goes through it. The programs never change it; tests replace
// entries to make a call fail as a failing device, a full disk or an older kernel would, to
// act between two calls as another program could, or to record the writes for a simulated
// power loss.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#endif

// X(name, result, (parameters), (arguments), the result that reports a failure)
#ifdef _WIN32
#define QUILLON_SYSTEM_CALLS(X)                                                                   \
    X(createFile, HANDLE,                                                                         \
      (LPCSTR path, DWORD access, DWORD sharing, LPSECURITY_ATTRIBUTES sa, DWORD creation,        \
       DWORD flags, HANDLE model),                                                                \
      (path, access, sharing, sa, creation, flags, model), INVALID_HANDLE_VALUE)                  \
    X(readFile, BOOL, (HANDLE h, LPVOID buffer, DWORD count, LPDWORD done, LPOVERLAPPED at),      \
      (h, buffer, count, done, at), FALSE)                                                        \
    X(writeFile, BOOL, (HANDLE h, LPCVOID data, DWORD count, LPDWORD done, LPOVERLAPPED at),      \
      (h, data, count, done, at), FALSE)                                                          \
    X(setFilePointerEx, BOOL, (HANDLE h, LARGE_INTEGER to, PLARGE_INTEGER now, DWORD method),     \
      (h, to, now, method), FALSE)                                                                \
    X(flushFileBuffers, BOOL, (HANDLE h), (h), FALSE)                                             \
    X(setEndOfFile, BOOL, (HANDLE h), (h), FALSE)                                                 \
    X(lockFileEx, BOOL,                                                                           \
      (HANDLE h, DWORD flags, DWORD reserved, DWORD low, DWORD high, LPOVERLAPPED at),            \
      (h, flags, reserved, low, high, at), FALSE)                                                 \
    X(setFileTime, BOOL,                                                                          \
      (HANDLE h, const FILETIME* made, const FILETIME* read, const FILETIME* written),            \
      (h, made, read, written), FALSE)                                                            \
    X(getFileInformationByHandle, BOOL, (HANDLE h, LPBY_HANDLE_FILE_INFORMATION info), (h, info), \
      FALSE)                                                                                      \
    X(getFileInformationByHandleEx, BOOL,                                                         \
      (HANDLE h, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID info, DWORD size), (h, kind, info, size), \
      FALSE)                                                                                      \
    X(setFileInformationByHandle, BOOL,                                                           \
      (HANDLE h, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID info, DWORD size), (h, kind, info, size), \
      FALSE)                                                                                      \
    X(getFileType, DWORD, (HANDLE h), (h), FILE_TYPE_UNKNOWN)                                     \
    X(getFinalPathNameByHandleA, DWORD, (HANDLE h, LPSTR path, DWORD size, DWORD flags),          \
      (h, path, size, flags), 0)                                                                  \
    X(getFileAttributesA, DWORD, (LPCSTR path), (path), INVALID_FILE_ATTRIBUTES)                  \
    X(findFirstFileA, HANDLE, (LPCSTR pattern, LPWIN32_FIND_DATAA found), (pattern, found),       \
      INVALID_HANDLE_VALUE)                                                                       \
    X(findNextFileA, BOOL, (HANDLE h, LPWIN32_FIND_DATAA found), (h, found), FALSE)               \
    X(findClose, BOOL, (HANDLE h), (h), FALSE)                                                    \
    X(deleteFileA, BOOL, (LPCSTR path), (path), FALSE)                                            \
    X(moveFileExA, BOOL, (LPCSTR from, LPCSTR to, DWORD flags), (from, to, flags), FALSE)         \
    X(closeHandle, BOOL, (HANDLE h), (h), FALSE)
#define QUILLON_SYSTEM_CALL_CONVENTION WINAPI
#else
struct statx;
#define QUILLON_SYSTEM_CALLS(X)                                                                   \
    X(open, int, (const char* path, int flags, mode_t mode), (path, flags, mode), -1)             \
    X(read, ssize_t, (int fd, void* buffer, size_t count), (fd, buffer, count), -1)               \
    X(write, ssize_t, (int fd, const void* data, size_t count), (fd, data, count), -1)            \
    X(lseek, off_t, (int fd, off_t offset, int whence), (fd, offset, whence), -1)                 \
    X(fstat, int, (int fd, struct stat* status), (fd, status), -1)                                \
    X(stat, int, (const char* path, struct stat* status), (path, status), -1)                     \
    X(lstat, int, (const char* path, struct stat* status), (path, status), -1)                    \
    X(statx, int, (int dir, const char* path, int flags, unsigned mask, struct statx* status),    \
      (dir, path, flags, mask, status), -1)                                                       \
    X(getVersion, int, (int fd, long* generation), (fd, generation), -1)                          \
    X(fsync, int, (int fd), (fd), -1)                                                             \
    X(syncFileRange, int, (int fd, off_t offset, off_t count, unsigned flags),                    \
      (fd, offset, count, flags), -1)                                                             \
    X(ftruncate, int, (int fd, off_t length), (fd, length), -1)                                   \
    X(fcntl, int, (int fd, int command, int argument), (fd, command, argument), -1)               \
    X(lockRange, int, (int fd, int command, struct flock* range), (fd, command, range), -1)       \
    X(flock, int, (int fd, int operation), (fd, operation), -1)                                   \
    X(futimens, int, (int fd, const struct timespec* times), (fd, times), -1)                     \
    X(fchmod, int, (int fd, mode_t mode), (fd, mode), -1)                                         \
    X(umask, mode_t, (mode_t mask), (mask), static_cast<mode_t>(0))                               \
    X(realpath, char*, (const char* path, char* resolved), (path, resolved), nullptr)             \
    X(readlink, ssize_t, (const char* path, char* target, size_t size), (path, target, size), -1) \
    X(opendir, DIR*, (const char* path), (path), nullptr)                                         \
    X(readdir, struct dirent*, (DIR * folder), (folder), nullptr)                                 \
    X(closedir, int, (DIR * folder), (folder), -1)                                                \
    X(unlink, int, (const char* path), (path), -1)                                                \
    X(link, int, (const char* from, const char* to), (from, to), -1)                              \
    X(rename, int, (const char* from, const char* to), (from, to), -1)                            \
    X(renameNoReplace, int, (const char* from, const char* to), (from, to), -1)                   \
    X(close, int, (int fd), (fd), -1)
#define QUILLON_SYSTEM_CALL_CONVENTION
#endif

struct SystemCalls {
#define QUILLON_SYSTEM_CALL_ENTRY(name, result, parameters, arguments, failure) \
    result(QUILLON_SYSTEM_CALL_CONVENTION* name) parameters;
    QUILLON_SYSTEM_CALLS(QUILLON_SYSTEM_CALL_ENTRY)
#undef QUILLON_SYSTEM_CALL_ENTRY
};

// The table every file operation goes through.
SystemCalls& FileSystemCalls();
// The system's own functions, for a test to fall back on.
const SystemCalls& RealSystemCalls();
