#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#include <winioctl.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include <fstream>
#include <iterator>
#include <ostream>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    std::random_device entropy;
    std::mt19937 random(entropy());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate =
            fs::temp_directory_path() / ("quillon-test-" + std::to_string(random()));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            path_ = candidate;
            return;
        }
    }
    ADD_FAILURE() << "no temporary folder could be created";
}

TempFolder::~TempFolder() {
    std::error_code error;
    if (!path_.empty()) fs::remove_all(path_, error);
}

std::string TempFolder::operator/(std::string_view name) const {
    return (path_ / fs::path(std::string(name))).string();
}

bool Exists(const std::string& path) {
    std::error_code error;
    return fs::exists(fs::path(path), error);
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot read " << path;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, std::string_view content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::optional<std::string> ReadIfExists(const std::string& path) {
    if (!Exists(path)) return std::nullopt;
    return ReadAll(path);
}

#ifdef _WIN32

bool AppendThroughOtherHandle(const std::string& path, std::string_view text) {
    HANDLE handle = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool appended =
        WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size();
    CloseHandle(handle);
    return appended;
}

bool ReplaceThroughOtherHandle(const std::string& path, std::string_view text) {
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    FILETIME created, accessed, modified;
    bool replaced =
        GetFileTime(handle, &created, &accessed, &modified) &&
        WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size() && SetEndOfFile(handle);
    ULARGE_INTEGER later;
    later.LowPart = modified.dwLowDateTime;
    later.HighPart = modified.dwHighDateTime;
    later.QuadPart += 10000000;  // one second in 100 ns ticks
    modified.dwLowDateTime = later.LowPart;
    modified.dwHighDateTime = later.HighPart;
    replaced = replaced && SetFileTime(handle, nullptr, nullptr, &modified);
    CloseHandle(handle);
    return replaced;
}

bool CutThroughOtherHandle(const std::string& path, std::uint64_t length) {
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(length);
    const bool cut =
        SetFilePointerEx(handle, position, nullptr, FILE_BEGIN) && SetEndOfFile(handle);
    CloseHandle(handle);
    return cut;
}

void MakeSparseFile(const std::string& path, std::uint64_t size) {
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE) << "cannot create " << path;
    DWORD returned = 0;
    // Not every file system has sparse files; the length is what matters.
    DeviceIoControl(handle, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(size);
    const bool sized =
        SetFilePointerEx(handle, position, nullptr, FILE_BEGIN) && SetEndOfFile(handle);
    CloseHandle(handle);
    ASSERT_TRUE(sized) << "cannot give " << path << " its size";
}

#else

bool AppendThroughOtherHandle(const std::string& path, std::string_view text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) return false;
    const bool appended =
        ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return ::close(fd) == 0 && appended;
}

bool ReplaceThroughOtherHandle(const std::string& path, std::string_view text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat status;
    bool replaced = ::fstat(fd, &status) == 0 &&
                    ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
                    ::ftruncate(fd, static_cast<off_t>(text.size())) == 0;
    struct timespec times[2] = {status.st_atim, status.st_mtim};
    times[1].tv_sec += 1;
    replaced = replaced && ::futimens(fd, times) == 0;
    return ::close(fd) == 0 && replaced;
}

bool CutThroughOtherHandle(const std::string& path, std::uint64_t length) {
    return ::truncate(path.c_str(), static_cast<off_t>(length)) == 0;
}

void MakeSparseFile(const std::string& path, std::uint64_t size) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    ASSERT_GE(fd, 0) << "cannot create " << path;
    const bool sized = ::ftruncate(fd, static_cast<off_t>(size)) == 0;
    ::close(fd);
    ASSERT_TRUE(sized) << "cannot give " << path << " its size";
}

#endif

std::uint64_t FileSize(const std::string& path) {
    return fs::file_size(fs::path(path));
}

FileTime LastWriteTime(const std::string& path) {
    return fs::last_write_time(fs::path(path));
}

void SetLastWriteTime(const std::string& path, FileTime time) {
    fs::last_write_time(fs::path(path), time);
}

FileTime LongAgo() {
    return FileTime::clock::now() - std::chrono::hours(24 * 365 * 10);
}

void PrintTo(const RecordedMessage& message, std::ostream* out) {
    *out << "{text=" << ::testing::PrintToString(message.text)
         << ", caption=" << ::testing::PrintToString(message.caption) << ", style=0x" << std::hex
         << message.style << std::dec << "}";
}
