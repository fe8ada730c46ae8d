#include "conversion/source_reading.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <system_error>
#include <thread>

#include "conversion/second_processor.h"
#include "platform/standard_streams.h"

namespace {

// Reads `size` bytes from the file's start. A large file is read in two halves at once where
// there is a second processor: copying out of the system's cache is most of such a read.
SystemErrorCode ReadSplit(File& file, std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kSplitFrom = std::size_t{8} << 20;
    if (size < kSplitFrom || !HaveSecondProcessor()) {
        return file.ReadFully(data, size) ? 0 : file.Error();
    }
    const std::size_t half = size / 2;
    SystemErrorCode tailError = 0;
    std::thread tail;
    try {
        tail = std::thread([&] { tailError = file.ReadFullyAt(half, data + half, size - half); });
    } catch (const std::system_error&) {
        return file.ReadFullyAt(0, data, size);
    }
    const SystemErrorCode headError = file.ReadFullyAt(0, data, half);
    tail.join();
    return headError != 0 ? headError : tailError;
}

}  // namespace

SystemErrorCode ReadSource(const std::string& path, FileAccessFaults* faults, SourceBytes& source) {
    File file(faults);
    if (!file.Open(path, FileOpening::ReadExisting)) return file.Error();
    std::uint64_t size = 0;
    if (!file.Size(size)) return file.Error();
    if (size == 0) {
        // A pipe or a device has no size to go by; an empty file just ends at once.
        const SystemErrorCode error = ReadToEnd(
            [&file](void* buffer, std::size_t count, std::size_t& done) {
                return file.ReadSomeBytes(buffer, count, done) ? 0 : file.Error();
            },
            kMaxSourceSize, source);
        if (error == 0) file.Close();
        return error;
    }
    if (size > kMaxSourceSize || size > std::numeric_limits<std::size_t>::max()) {
        return SystemErrorFor(FileProblem::TooLarge);
    }
    source.size = static_cast<std::size_t>(size);
    source.data.reset(new (std::nothrow) std::uint8_t[source.size]);
    if (!source.data) return SystemErrorFor(FileProblem::OutOfMemory);
    if (const SystemErrorCode error = ReadSplit(file, source.data.get(), source.size)) {
        source = SourceBytes();
        return error;
    }
    // A source only read cannot lose anything at its close.
    file.Close();
    return 0;
}

SystemErrorCode ReadStandardInputSource(SourceBytes& source) {
    return ReadToEnd(ReadStandardInput, kMaxSourceSize, source);
}

SystemErrorCode ReadToEnd(const ReadSomeFunction& readSome, std::uint64_t maxSize,
                          SourceBytes& source) {
    source = SourceBytes();
    // One byte more than allowed tells a stream that is too long from one that fits exactly.
    const std::uint64_t limit =
        std::min<std::uint64_t>(maxSize + 1, std::numeric_limits<std::size_t>::max());
    std::size_t capacity = 0;
    std::size_t size = 0;
    for (;;) {
        if (size == capacity) {
            if (capacity >= limit) {
                source = SourceBytes();
                return SystemErrorFor(FileProblem::TooLarge);
            }
            const std::size_t grown = static_cast<std::size_t>(std::min<std::uint64_t>(
                limit,
                std::max<std::uint64_t>(std::uint64_t{64} << 10, std::uint64_t{capacity} * 2)));
            std::unique_ptr<std::uint8_t[]> larger(new (std::nothrow) std::uint8_t[grown]);
            if (!larger) {
                source = SourceBytes();
                return SystemErrorFor(FileProblem::OutOfMemory);
            }
            if (size > 0) std::memcpy(larger.get(), source.data.get(), size);
            source.data = std::move(larger);
            capacity = grown;
        }
        std::size_t done = 0;
        if (const SystemErrorCode error =
                readSome(source.data.get() + size, capacity - size, done)) {
            source = SourceBytes();
            return error;
        }
        if (done == 0) break;
        size += done;
    }
    source.size = size;
    return 0;
}
