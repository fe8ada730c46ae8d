// A byte buffer for the run's large inputs (the source, the old UCF text). On Linux a large
// one is mapped on its own and asked for transparent huge pages: faulting in hundreds of MiB
// 4 KiB page by 4 KiB page cost 20 to 40 % of a 4 MiB conversion end to end. Elsewhere it is
// plain heap memory.
#pragma once

#include <cstddef>
#include <cstdint>

class LargeBuffer {
public:
    LargeBuffer() = default;
    ~LargeBuffer();
    LargeBuffer(LargeBuffer&& other) noexcept;
    LargeBuffer& operator=(LargeBuffer&& other) noexcept;
    LargeBuffer(const LargeBuffer&) = delete;
    LargeBuffer& operator=(const LargeBuffer&) = delete;

    // Replaces the buffer with `size` bytes of undefined content; false, and empty, when the
    // memory cannot be had.
    bool Allocate(std::size_t size);
    std::uint8_t* get() const { return data_; }
    char* chars() const { return reinterpret_cast<char*>(data_); }
    std::size_t size() const { return size_; }

private:
    void Release();

    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t mapped_ = 0;  // the mapping's length, 0 for heap memory
};
