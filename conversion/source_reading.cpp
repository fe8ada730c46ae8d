#include "conversion/source_reading.h"

#include <limits>
#include <new>
#include <system_error>
#include <thread>

#include "conversion/second_processor.h"

namespace {

// The rewriter counts the source's bytes in 32 bits.
constexpr std::uint64_t kMaxSourceSize = std::numeric_limits<std::uint32_t>::max();

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
