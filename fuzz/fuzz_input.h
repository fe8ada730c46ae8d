// What the fuzz targets share: the fuzzer's bytes taken apart piece by piece, and a property
// that must hold, or the target stops with its name.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

inline void RequireProperty(bool condition, const char* kind, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "%s property violated: %s\n", kind, what);
        std::abort();
    }
}

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::string_view Take(std::size_t n) {
        n = std::min(n, size_ - pos_);
        std::string_view taken(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return taken;
    }
    std::string_view Rest() { return Take(size_ - pos_); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};
