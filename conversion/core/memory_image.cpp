#include "conversion/core/memory_image.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

std::string ByteText(std::uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(value));
    return text;
}

}  // namespace

std::string AddressText(std::uint64_t address) {
    char text[24];
    if (address > 0xFFFFFFFFu) {
        std::snprintf(text, sizeof text, "0x%016llX", static_cast<unsigned long long>(address));
    } else {
        std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(address));
    }
    return text;
}

void ImageChunks::Add(std::uint64_t address, const std::uint8_t* bytes, std::size_t size,
                      std::uint64_t origin) {
    if (size == 0) return;
    const std::size_t offset = decoded.size();
    decoded.insert(decoded.end(), bytes, bytes + size);
    if (!chunks.empty()) {
        ImageChunk& last = chunks.back();
        if (last.offset + last.size == offset && last.address + last.size == address &&
            last.address + last.size > last.address) {
            last.size += size;
            return;
        }
    }
    chunks.push_back(ImageChunk{address, offset, size, origin});
}

ImageError PlanImage(ImageChunks& chunks, std::uint64_t base, std::uint64_t& size) {
    size = 0;
    std::vector<ImageChunk>& list = chunks.chunks;
    list.erase(std::remove_if(list.begin(), list.end(),
                              [](const ImageChunk& chunk) { return chunk.size == 0; }),
               list.end());
    // Stable, so that chunks at one address keep their file order.
    std::stable_sort(list.begin(), list.end(), [](const ImageChunk& a, const ImageChunk& b) {
        return a.address < b.address;
    });
    if (list.empty()) return {};
    if (list.front().address < base) {
        // The lowest chunk starts with its lowest byte, so its origin is the one to name.
        return {std::string(chunks.originKind) + " " + std::to_string(list.front().origin) +
                    ": data at address " + AddressText(list.front().address) + ", below the base " +
                    AddressText(base),
                false};
    }
    std::uint64_t end = base;
    for (const ImageChunk& chunk : list) {
        if (chunk.address - base > kMaxImageSize ||
            chunk.size > kMaxImageSize - (chunk.address - base)) {
            return {std::string("the data at address ") + AddressText(chunk.address) +
                        " ends 4 GiB or more above the base " + AddressText(base),
                    true};
        }
        end = std::max(end, chunk.address + chunk.size);
    }
    size = end - base;
    return {};
}

ImageError FillImage(const ImageChunks& chunks, std::uint64_t base, std::uint8_t fill,
                     std::uint8_t* out, std::uint64_t size) {
    const std::uint8_t* bytes = chunks.Bytes();
    // Every byte below `covered` is written; since the chunks come in address order, the one
    // that reached `covered` spans all of it from the next chunk's start.
    std::uint64_t covered = 0;
    for (const ImageChunk& chunk : chunks.chunks) {
        const std::uint64_t start = chunk.address - base;
        const std::uint64_t end = start + chunk.size;
        const std::uint8_t* from = bytes + chunk.offset;
        if (start > covered)
            std::memset(out + covered, fill, static_cast<std::size_t>(start - covered));
        const std::uint64_t overlapEnd = std::min(end, covered);
        const bool same =
            overlapEnd <= start ||
            std::memcmp(out + start, from, static_cast<std::size_t>(overlapEnd - start)) == 0;
        for (std::uint64_t at = start; !same && at < overlapEnd; ++at) {
            if (out[at] != from[at - start]) {
                return {std::string("the byte at address ") + AddressText(base + at) +
                            " is given twice, as " + ByteText(out[at]) + " and as " +
                            ByteText(from[at - start]),
                        false};
            }
        }
        if (end > covered) {
            const std::uint64_t first = std::max(start, covered);
            std::memcpy(out + first, from + (first - start), static_cast<std::size_t>(end - first));
            covered = end;
        }
    }
    if (size > covered) std::memset(out + covered, fill, static_cast<std::size_t>(size - covered));
    return {};
}
