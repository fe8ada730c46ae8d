#include "conversion/run/source_reading.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "conversion/core/hex_words.h"
#include "conversion/core/memory_image.h"
#include "platform/standard_streams.h"

static_assert(kMaxSourceSize == kMaxImageSize, "an image is read into a source's room");

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
            kMaxSourceSize, source);
        if (error == 0) file.Close();
        return error;
    }
    if (size > kMaxSourceSize || size > std::numeric_limits<std::size_t>::max()) {
        return SystemErrorFor(FileProblem::TooLarge);
    }
    source.size = static_cast<std::size_t>(size);
    if (!source.data.Allocate(source.size)) return SystemErrorFor(FileProblem::OutOfMemory);
    if (!file.ReadFully(source.data.get(), source.size)) {
        source = SourceBytes();
        return file.Error();
    }
    // A source only read cannot lose anything at its close.
    file.Close();
    return 0;
}

bool DecodeSourceImage(const std::string& path, const ConversionOptions& options,
                       SourceBytes& source, ConversionOutcome& outcome) {
    if (options.format == ImageFormat::Bin) return true;
    const ImageFormat format = ChosenFormat(options.format, path, options.sourceFromStandardInput,
                                            source.data.get(), source.size);
    if (format == ImageFormat::Bin) return true;
    const auto fail = [&source, &outcome](std::string reason, SystemErrorCode error) {
        source = SourceBytes();
        outcome.reason = std::move(reason);
        outcome.error = error;
        return false;
    };
    if (options.baseGiven && !TakesBase(format)) {
        return fail(std::string("this file holds ") + FormatName(format) +
                        ", which take no base address (--base is for Intel HEX, S-records and "
                        "ELF)",
                    0);
    }
    const unsigned wordBits = WordBits(LayoutOf(options));
    try {
        ImageChunks chunks;
        std::uint64_t size = 0;
        ImageError error =
            ReadImageChunks(format, source.data.get(), source.size, chunks, wordBits);
        if (!error) error = PlanImage(chunks, options.base, size);
        if (error) {
            return fail(error.reason, error.tooLarge ? SystemErrorFor(FileProblem::TooLarge) : 0);
        }
        // The text is done with once decoded; an ELF file's chunks still point into it.
        if (chunks.external == nullptr) source = SourceBytes();
        SourceBytes image;
        image.size = static_cast<std::size_t>(size);
        if (!image.data.Allocate(image.size)) {
            return fail({}, SystemErrorFor(FileProblem::OutOfMemory));
        }
        error = FillImage(chunks, options.base, options.fill, image.data.get(), size);
        if (error) return fail(error.reason, 0);
        source = std::move(image);
        source.hexWords = format == ImageFormat::HexWords;
        outcome.sourceDescription = source.hexWords && wordBits != kByteWideWord
                                        ? DescribeHexWords(size / ((wordBits + 7) / 8), wordBits)
                                        : DescribeImage(format, options.base, size);
        return true;
    } catch (const std::bad_alloc&) {
        return fail({}, SystemErrorFor(FileProblem::OutOfMemory));
    }
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
            LargeBuffer larger;
            if (!larger.Allocate(grown)) {
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
