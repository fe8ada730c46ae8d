#include "platform/large_buffer.h"

#include <limits>
#include <new>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#define QUILLON_MAP_HUGE_PAGES 1
#endif

namespace {

#if defined(QUILLON_MAP_HUGE_PAGES)
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kMapFrom = std::size_t{1} << 20;  // half a huge page at least

// Maps `length` bytes (a multiple of the huge page) starting on a huge page boundary.
std::uint8_t* MapAligned(std::size_t length) {
    // Map one huge page more and trim it off.
    void* mapping = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(mapping);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~std::uintptr_t{kHugePage - 1};
    if (aligned > start) ::munmap(mapping, aligned - start);
    const std::size_t tail = kHugePage - (aligned - start);
    if (tail > 0) ::munmap(reinterpret_cast<void*>(aligned + length), tail);
    auto* block = reinterpret_cast<std::uint8_t*>(aligned);
    ::madvise(block, length, MADV_HUGEPAGE);  // where huge pages are off, plain pages serve
    return block;
}
#endif

}  // namespace

LargeBuffer::~LargeBuffer() {
    Release();
}

LargeBuffer::LargeBuffer(LargeBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, 0)) {}

LargeBuffer& LargeBuffer::operator=(LargeBuffer&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mapped_ = std::exchange(other.mapped_, 0);
    }
    return *this;
}

bool LargeBuffer::Allocate(std::size_t size) {
    Release();
#if defined(QUILLON_MAP_HUGE_PAGES)
    if (size >= kMapFrom && size <= std::numeric_limits<std::size_t>::max() - 2 * kHugePage) {
        const std::size_t length = (size + kHugePage - 1) & ~(kHugePage - 1);
        data_ = MapAligned(length);
        if (data_ == nullptr) return false;
        size_ = size;
        mapped_ = length;
        return true;
    }
#endif
    data_ = new (std::nothrow) std::uint8_t[size];
    if (data_ == nullptr) return false;
    size_ = size;
    return true;
}

void LargeBuffer::Release() {
#if defined(QUILLON_MAP_HUGE_PAGES)
    if (mapped_ != 0) ::munmap(data_, mapped_);
#endif
    if (mapped_ == 0) delete[] data_;
    data_ = nullptr;
    size_ = 0;
    mapped_ = 0;
}
