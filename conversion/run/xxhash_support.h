// XXH64 and XXH3 from the xxHash library, compiled in from its header (conversion/run's
// CMakeLists.txt says why).
#pragma once

#include <cstddef>
#include <cstdint>

#define XXH_INLINE_ALL
#include <xxhash.h>

inline std::uint64_t Xxh64Of(const void* data, std::size_t size) {
    return XXH64(data, size, 0);
}

// XXH64 of bytes that come in pieces.
class Xxh64Stream {
public:
    Xxh64Stream() { XXH64_reset(&state_, 0); }
    void Add(const void* data, std::size_t size) { XXH64_update(&state_, data, size); }
    std::uint64_t Hash() const { return XXH64_digest(&state_); }

private:
    XXH64_state_t state_;
};

// The low 32 bits of XXH3-64 (seed 0): a digest of a few hundred bytes that is cheap to make.
inline std::uint32_t Xxh3Low32Of(const void* data, std::size_t size) {
    return static_cast<std::uint32_t>(XXH3_64bits(data, size));
}
