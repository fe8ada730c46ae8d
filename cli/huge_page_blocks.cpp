// Large blocks on transparent huge pages. A conversion holds the source and the old UCF text
// whole, hundreds of MiB for a large source, and formats the new text in blocks of about
// 2 MiB. Faulting such blocks in page by 4 KiB page costs more than the conversion itself on
// many machines (several times more on virtual ones), and Linux backs a mapping with huge
// pages only when asked, so the program asks for its large blocks. Every block carries a
// header that tells delete where it came from.
#if defined(__SANITIZE_ADDRESS__)
#define QUILLON_KEEP_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLON_KEEP_ALLOCATOR 1
#endif
#endif

#if defined(__linux__) && !defined(QUILLON_KEEP_ALLOCATOR)

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kMapFrom = std::size_t{1} << 20;  // half a huge page at least
constexpr std::size_t kFromMalloc = 0x51A110C;
constexpr std::size_t kFromMap = 0x51A3A9;

// Keeps the 16-byte alignment that malloc gives.
struct alignas(16) Header {
    std::size_t mapped;  // length of the mapping, for a mapped block
    std::size_t origin;
};

void* MapHugeBlock(std::size_t size) noexcept {
    const std::size_t length = (size + sizeof(Header) + kHugePage - 1) & ~(kHugePage - 1);
    // Map one huge page more and trim, so the block starts on a huge page boundary.
    void* mapping = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(mapping);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~std::uintptr_t{kHugePage - 1};
    if (aligned > start) ::munmap(mapping, aligned - start);
    const std::size_t tail = kHugePage - (aligned - start);
    if (tail > 0) ::munmap(reinterpret_cast<void*>(aligned + length), tail);
    void* block = reinterpret_cast<void*>(aligned);
    ::madvise(block, length, MADV_HUGEPAGE);  // where huge pages are off, plain pages serve
    return new (block) Header{length, kFromMap} + 1;
}

void* Allocate(std::size_t size) noexcept {
    if (size > std::numeric_limits<std::size_t>::max() - 2 * kHugePage) return nullptr;
    if (size >= kMapFrom) return MapHugeBlock(size);
    void* block = std::malloc(size + sizeof(Header));
    if (block == nullptr) return nullptr;
    return new (block) Header{0, kFromMalloc} + 1;
}

void* AllocateOrThrow(std::size_t size) {
    for (;;) {
        if (void* block = Allocate(size)) return block;
        const std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) throw std::bad_alloc();
        handler();
    }
}

void* AllocateOrNull(std::size_t size) noexcept {
    try {
        return AllocateOrThrow(size);
    } catch (...) {
        return nullptr;
    }
}

void Release(void* block) noexcept {
    if (block == nullptr) return;
    Header* header = static_cast<Header*>(block) - 1;
    if (header->origin == kFromMap) {
        ::munmap(header, header->mapped);
    } else {
        std::free(header);
    }
}

}  // namespace

void* operator new(std::size_t size) {
    return AllocateOrThrow(size);
}
void* operator new[](std::size_t size) {
    return AllocateOrThrow(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateOrNull(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateOrNull(size);
}
void operator delete(void* block) noexcept {
    Release(block);
}
void operator delete[](void* block) noexcept {
    Release(block);
}
void operator delete(void* block, std::size_t) noexcept {
    Release(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    Release(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    Release(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    Release(block);
}

#endif
