// Bits of a compressed stream, most significant bit first, as the engine's
// bit reader takes them. Bits gather in a 64-bit accumulator and leave it as
// whole bytes; the caller takes the bytes away whenever it likes (take()), so
// the buffer holds at most one block's worth of output.
#pragma once

#include <cstdint>
#include <vector>

class BitOutput {
public:
    // Appends the low `count` bits of value (0 to 32), the highest first.
    void put(uint32_t value, int count) {
        if (count == 0) return;
        accumulator_ = accumulator_ << count | (value & ((uint64_t{1} << count) - 1));
        pending_ += count;
        bit_count_ += static_cast<uint64_t>(count);
        while (pending_ >= 8) {
            pending_ -= 8;
            bytes_.push_back(static_cast<uint8_t>(accumulator_ >> pending_));
        }
    }
    // Pads the last byte with zero bits.
    void flush() {
        if (pending_ > 0) put(0, 8 - pending_);
    }
    uint64_t bit_count() const { return bit_count_; }
    std::vector<uint8_t>& bytes() { return bytes_; }

private:
    uint64_t accumulator_ = 0;
    int pending_ = 0;  // bits of the accumulator not yet in bytes_
    uint64_t bit_count_ = 0;
    std::vector<uint8_t> bytes_;
};
