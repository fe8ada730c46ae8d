#include "platform/standard_streams.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#else
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
    if (!ReadFile(input, buffer, want, &read, nullptr)) {
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
        if (!WriteFile(output, bytes, want, &written, nullptr)) return GetLastError();
        if (written == 0) return ERROR_WRITE_FAULT;
        bytes += written;
        count -= written;
    }
    return 0;
}

#else

SystemErrorCode ReadStandardInput(void* buffer, std::size_t count, std::size_t& done) {
    done = 0;
    ssize_t result = 0;
    do {
        result = ::read(STDIN_FILENO, buffer, std::min(count, kMaxTransfer));
    } while (result < 0 && errno == EINTR);
    if (result < 0) return errno == EBADF ? 0 : static_cast<SystemErrorCode>(errno);
    done = static_cast<std::size_t>(result);
    return 0;
}

SystemErrorCode WriteStandardOutput(const void* data, std::size_t count) {
    const auto* bytes = static_cast<const char*>(data);
    while (count > 0) {
        const ssize_t result = ::write(STDOUT_FILENO, bytes, std::min(count, kMaxTransfer));
        if (result < 0 && errno == EINTR) continue;
        if (result < 0) return static_cast<SystemErrorCode>(errno);
        if (result == 0) return EIO;
        bytes += result;
        count -= static_cast<std::size_t>(result);
    }
    return 0;
}

#endif
