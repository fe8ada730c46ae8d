#include "conversion/run/source_reading.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "conversion/core/image_limit.h"
#include "platform/standard_streams.h"

SystemErrorCode ReadSource(const std::string& path, SourceBytes& source) {
    File file;
    if (!file.Open(path, FileOpening::ReadExisting)) return file.Error();
    std::uint64_t size = 0;
    if (!file.Size(size)) return file.Error();
    if (size == 0) {
        // A pipe or a device has no size to go by; an empty file just ends at once.
        const SystemErrorCode error = ReadToEnd(
            [&file](void* buffer, std::size_t count, std::size_t& done) {
                return file.ReadSomeBytes(buffer, count, done) ? 0 : file.Error();
            },
            kMaxImageSize, source);
        if (error == 0) file.Close();
        return error;
    }
    if (size > kMaxImageSize || size > std::numeric_limits<std::size_t>::max() - kSwapRoom) {
        return SystemErrorFor(FileProblem::TooLarge);
    }
    source.size = static_cast<std::size_t>(size);
    if (!source.data.Allocate(source.size + kSwapRoom))
        return SystemErrorFor(FileProblem::OutOfMemory);
    if (!file.ReadFully(source.data.get(), source.size)) {
        source = SourceBytes();
        return file.Error();
    }
    // A source only read cannot lose anything at its close.
    file.Close();
    return 0;
}

SystemErrorCode ReadStandardInputSource(SourceBytes& source) {
    return ReadToEnd(ReadStandardInput, kMaxImageSize, source);
}

SystemErrorCode ReadToEnd(const ReadSomeFunction& readSome, std::uint64_t maxSize,
                          SourceBytes& source) {
    source = SourceBytes();
    // One byte more than allowed tells a stream that is too long from one that fits exactly.
    const std::uint64_t limit =
        std::min<std::uint64_t>(maxSize + 1, std::numeric_limits<std::size_t>::max() - kSwapRoom);
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
            LargeBuffer larger;
            if (!larger.Allocate(grown + kSwapRoom)) {
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
