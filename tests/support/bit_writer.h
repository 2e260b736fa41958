// Builds compressed test streams field by field, most significant bit first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class BitWriter {
public:
    // Appends the low `bits` bits of value, the highest of them first.
    BitWriter& put(uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) put_bit((value >> i) & 1);
        return *this;
    }
    // Appends a code written as a string of '0' and '1' (other characters ignored).
    BitWriter& put(const char* code) {
        for (; *code; ++code)
            if (*code == '0' || *code == '1') put_bit(*code == '1');
        return *this;
    }
    // The stream so far, padded with zero bits to whole bytes.
    std::vector<uint8_t> bytes() const { return bytes_; }

private:
    void put_bit(uint32_t bit) {
        if (bit_length_ % 8 == 0) bytes_.push_back(0);
        if (bit) bytes_.back() |= static_cast<uint8_t>(0x80 >> (bit_length_ % 8));
        ++bit_length_;
    }
    std::vector<uint8_t> bytes_;
    size_t bit_length_ = 0;
};
