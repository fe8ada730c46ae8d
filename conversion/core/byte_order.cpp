#include "conversion/core/byte_order.h"

#include <algorithm>
#include <cstring>

namespace {

// A fixed width lets the compiler turn the loop into byte-swap instructions.
template <std::size_t kWidth>
void ReverseWords(std::uint8_t* data, std::size_t size) {
    for (std::size_t at = 0; at + kWidth <= size; at += kWidth) {
        std::uint8_t word[kWidth];
        std::memcpy(word, data + at, kWidth);
        for (std::size_t i = 0; i < kWidth; ++i) data[at + i] = word[kWidth - 1 - i];
    }
}

}  // namespace

void ReverseWordBytes(std::uint8_t* data, std::size_t size, unsigned width) {
    switch (width) {
        case 2:
            return ReverseWords<2>(data, size);
        case 4:
            return ReverseWords<4>(data, size);
        case 8:
            return ReverseWords<8>(data, size);
        default:
            for (std::size_t at = 0; width > 1 && at + width <= size; at += width)
                std::reverse(data + at, data + at + width);
    }
}
