// The system calls the file layer makes, as one table of function pointers. The programs
// never change it; tests replace entries to make a call fail as a failing device or a full
// disk would, to act between two calls as another program could, or to record the writes
// for a simulated power loss.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/types.h>
#endif

struct SystemCalls {
#ifdef _WIN32
    HANDLE(WINAPI* createFile)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
    BOOL(WINAPI* readFile)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
    BOOL(WINAPI* writeFile)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
    BOOL(WINAPI* flushFileBuffers)(HANDLE);
    BOOL(WINAPI* setEndOfFile)(HANDLE);
    BOOL(WINAPI* deleteFile)(LPCSTR);
    BOOL(WINAPI* moveFileEx)(LPCSTR, LPCSTR, DWORD);
    BOOL(WINAPI* closeHandle)(HANDLE);
    BOOL(WINAPI* getFileInformationByHandle)(HANDLE, LPBY_HANDLE_FILE_INFORMATION);
#else
    int (*open)(const char* path, int flags, mode_t mode);
    ssize_t (*read)(int fd, void* buffer, size_t count);
    ssize_t (*write)(int fd, const void* data, size_t count);
    int (*fstat)(int fd, struct stat* status);
    int (*fsync)(int fd);
    int (*ftruncate)(int fd, off_t length);
    int (*unlink)(const char* path);
    int (*rename)(const char* from, const char* to);
    int (*close)(int fd);
#endif
};

// The table every file operation goes through.
SystemCalls& FileSystemCalls();
// The system's own functions, for a test to fall back on.
const SystemCalls& RealSystemCalls();
