#include "platform/system_calls.h"

#ifndef _WIN32
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32

const SystemCalls kReal = {CreateFileA,      ReadFile,     WriteFile,
                           FlushFileBuffers, SetEndOfFile, DeleteFileA,
                           MoveFileExA,      CloseHandle,  GetFileInformationByHandle};

#else

// open is variadic; the table's entry takes the mode always.
int OpenFile(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}

int StatusOf(int fd, struct stat* status) {
    return ::fstat(fd, status);
}

const SystemCalls kReal = {OpenFile,    ::read,   ::write,  StatusOf, ::fsync,
                           ::ftruncate, ::unlink, ::rename, ::close};

#endif

SystemCalls calls = kReal;

}  // namespace

SystemCalls& FileSystemCalls() {
    return calls;
}

const SystemCalls& RealSystemCalls() {
    return kReal;
}
