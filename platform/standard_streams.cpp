#include "platform/standard_streams.h"

#include <algorithm>

#include "platform/system_calls.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace {

// Small enough for any pipe or console on either system.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 24;

}  // namespace

#ifdef _WIN32

SystemErrorCode ReadStandardInput(void* buffer, std::size_t count, std::size_t& done) {
    done = 0;
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE) return 0;  // no input: empty
    DWORD read = 0;
    const DWORD want = static_cast<DWORD>(std::min(count, kMaxTransfer));
    if (!FileSystemCalls().readFile(input, buffer, want, &read, nullptr)) {
        const DWORD error = GetLastError();
        // The writing end of a pipe closed: the input has ended.
        return error == ERROR_BROKEN_PIPE ? 0 : error;
    }
    done = read;
    return 0;
}

SystemErrorCode WriteStandardOutput(const void* data, std::size_t count) {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE) return ERROR_INVALID_HANDLE;
    const auto* bytes = static_cast<const char*>(data);
    while (count > 0) {
        DWORD written = 0;
        const DWORD want = static_cast<DWORD>(std::min(count, kMaxTransfer));
        if (!FileSystemCalls().writeFile(output, bytes, want, &written, nullptr))
            return GetLastError();
        if (written == 0) return ERROR_WRITE_FAULT;
        bytes += written;
        count -= written;
    }
    return 0;
}

// A handle, not a descriptor, names each file a run opens: a closed standard handle cannot
// become one of them.
void OpenMissingStandardDescriptors() {}

#else

void OpenMissingStandardDescriptors() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (FileSystemCalls().fcntl(fd, F_GETFD, 0) >= 0 || errno != EBADF) continue;
        // The lowest free descriptor is this one. Left closed, the next file opened (the UCF)
        // would take it, and a message meant for standard error would be written into it.
        const int opened = FileSystemCalls().open("/dev/null", O_RDWR, 0);
        if (opened >= 0 && opened != fd) FileSystemCalls().close(opened);
    }
}

SystemErrorCode ReadStandardInput(void* buffer, std::size_t count, std::size_t& done) {
    done = 0;
    ssize_t result = 0;
    do {
        result = FileSystemCalls().read(STDIN_FILENO, buffer, std::min(count, kMaxTransfer));
    } while (result < 0 && errno == EINTR);
    if (result < 0) return errno == EBADF ? 0 : static_cast<SystemErrorCode>(errno);
    done = static_cast<std::size_t>(result);
    return 0;
}

SystemErrorCode WriteStandardOutput(const void* data, std::size_t count) {
    const auto* bytes = static_cast<const char*>(data);
    while (count > 0) {
        const ssize_t result =
            FileSystemCalls().write(STDOUT_FILENO, bytes, std::min(count, kMaxTransfer));
        if (result < 0 && errno == EINTR) continue;
        if (result < 0) return static_cast<SystemErrorCode>(errno);
        if (result == 0) return EIO;
        bytes += result;
        count -= static_cast<std::size_t>(result);
    }
    return 0;
}

#endif
