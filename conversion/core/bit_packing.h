// Bit fields packed one after the other, least significant bit first, into bytes and back:
// the order in which a lane's data and parity bits fill its INIT_xx and INITP_xx values.
#pragma once

#include <cstdint>

inline constexpr std::uint64_t LowBits(unsigned count) {
    return count >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
}

// Appends fields of up to 32 bits at `out`; Finish writes the bits of a last partial byte.
class BitWriter {
public:
    explicit BitWriter(std::uint8_t* out) : out_(out) {}
    // `value` holds no bits above `count`.
    void Put(std::uint64_t value, unsigned count) {
        pending_ |= value << filled_;
        filled_ += count;
        while (filled_ >= 8) {
            *out_++ = static_cast<std::uint8_t>(pending_);
            pending_ >>= 8;
            filled_ -= 8;
        }
    }
    void Finish() {
        if (filled_ > 0) *out_++ = static_cast<std::uint8_t>(pending_);
        pending_ = 0;
        filled_ = 0;
    }

private:
    std::uint8_t* out_;
    std::uint64_t pending_ = 0;
    unsigned filled_ = 0;
};

// Takes fields of up to 32 bits from `in`, reading no byte past the last field's.
class BitReader {
public:
    explicit BitReader(const std::uint8_t* in) : in_(in) {}
    std::uint64_t Take(unsigned count) {
        while (filled_ < count) {
            pending_ |= std::uint64_t{*in_++} << filled_;
            filled_ += 8;
        }
        const std::uint64_t value = pending_ & LowBits(count);
        pending_ >>= count;
        filled_ -= count;
        return value;
    }

private:
    const std::uint8_t* in_;
    std::uint64_t pending_ = 0;
    unsigned filled_ = 0;
};
