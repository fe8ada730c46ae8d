#include "conversion/core/memory_image.h"

#include <algorithm>
#include <cstring>

#include "conversion/core/hex_digits.h"

std::string AddressText(std::uint64_t address) {
    return HexNumber(address, address > 0xFFFFFFFFu ? 16 : 8);
}

std::string ImageChunks::OriginText(std::uint64_t origin) const {
    const std::string kind = std::string(originKind) + " ";
    if (origin < originNames.size()) return kind + originNames[origin];
    return kind + std::to_string(origin);
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
        return {chunks.OriginText(list.front().origin) + ": data at address " +
                    AddressText(list.front().address) + ", below the base " + AddressText(base),
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
    // A byte given twice must be given the same. Since the chunks come in address order, the
    // one that reaches furthest so far covers every byte of the next one below that end.
    const std::uint8_t* bytes = chunks.Bytes();
    const ImageChunk* last = nullptr;
    for (const ImageChunk& chunk : list) {
        if (last != nullptr && chunk.address < last->address + last->size) {
            const std::uint64_t overlap =
                std::min(chunk.address + chunk.size, last->address + last->size) - chunk.address;
            const std::uint8_t* mine = bytes + chunk.offset;
            const std::uint8_t* before = bytes + last->offset + (chunk.address - last->address);
            for (std::uint64_t i = 0; i < overlap; ++i) {
                if (mine[i] != before[i]) {
                    return {"the byte at address " + AddressText(chunk.address + i) +
                                " is given twice, as " + HexNumber(before[i], 2) + " and as " +
                                HexNumber(mine[i], 2),
                            false};
                }
            }
        }
        if (last == nullptr || chunk.address + chunk.size > last->address + last->size)
            last = &chunk;
    }
    size = end - base;
    return {};
}

PlacedBytes::PlacedBytes(const ImageChunks& chunks, std::uint64_t base, std::uint8_t fill)
    : chunks_(chunks), base_(base), fill_(fill) {
    for (const ImageChunk& chunk : chunks.chunks)
        size_ = std::max(size_, chunk.address + chunk.size - base);
}

void PlacedBytes::Take(std::uint8_t* out, std::size_t count) {
    const std::vector<ImageChunk>& list = chunks_.chunks;
    while (count > 0) {
        if (at_ >= size_) {  // past the image: the padding
            std::memset(out, 0, count);
            at_ += count;
            return;
        }
        for (; next_ < list.size() && list[next_].address - base_ <= at_; ++next_) {
            const ImageChunk& chunk = list[next_];
            if (last_ == nullptr || chunk.address + chunk.size > last_->address + last_->size)
                last_ = &chunk;
        }
        std::size_t n = 0;
        if (last_ != nullptr && last_->address + last_->size - base_ > at_) {
            // Any chunk that covers a byte gives its value; PlanImage saw that they agree.
            const std::uint64_t from = at_ - (last_->address - base_);
            n = static_cast<std::size_t>(std::min<std::uint64_t>(count, last_->size - from));
            std::memcpy(out, chunks_.Bytes() + last_->offset + from, n);
        } else {
            const std::uint64_t gapEnd =
                next_ < list.size() ? std::min(size_, list[next_].address - base_) : size_;
            n = static_cast<std::size_t>(std::min<std::uint64_t>(count, gapEnd - at_));
            std::memset(out, fill_, n);
        }
        out += n;
        at_ += n;
        count -= n;
    }
}
