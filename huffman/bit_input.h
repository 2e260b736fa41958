// Bit input: the compressed data of one member, most significant bit first,
// in fields of 0 to 16 bits (up to 32 may be dropped at once).
//
// The reader keeps the next unread bits in a 64-bit window, the earliest in
// bit 63, and tops it up a byte at a time from the input buffer whenever fewer
// than MIN_WINDOW_BITS remain, so a lookup is a shift, never a call. Bytes are
// taken only while the context's compressed_remaining lasts; after that the
// stream continues with zero bits, so it never touches bytes that are not the
// member's, and looking ahead past the data is no error. Taking many bytes
// past it is (see padding_byte).
#pragma once

#include <cstdint>
#include <cstring>

#include "engine.h"

namespace HUFFMAN {

// The input buffer, filled from the archive by the driver (prepare_input) and
// refilled by next_input_byte when it has been handed out.
extern uint8_t* input_buffer;
extern uint64_t input_buffer_size;  // allocation size, and the size of every refill request
extern uint64_t input_filled;       // bytes the last read delivered
extern uint64_t input_position;     // next byte to hand out

// Zero bytes handed out since the member's compressed data ran out. A sound
// stream ends within its data; the reader only looks a few bytes ahead, so
// more than PADDING_LIMIT means damage (typically an original size far
// beyond what the data holds), and decoding stops instead of writing zeros
// up to that size.
extern uint32_t padding_taken;
constexpr uint32_t PADDING_LIMIT = 64;

// A zero byte in place of the member's data, which has run out; raises
// HUF_ERROR past PADDING_LIMIT.
uint8_t padding_byte();

// Reads the next buffer from the file and returns its first byte; 0 when the
// file has nothing more (end, failure, not open).
uint8_t refill_input(CWinFile* input);

// Returns the next input byte, refilling the buffer from the file when it has
// been used up; 0 when the file has nothing more.
inline uint8_t next_input_byte(CWinFile* input) {
    if (input_position < input_filled) return input_buffer[input_position++];
    return refill_input(input);
}

extern uint64_t bit_window;  // next unread bits, the earliest in bit 63
extern int bit_count;        // how many of them are stream bits (not padding)

// Enough bits for any field, after every fill.
constexpr int MIN_WINDOW_BITS = 32;

// Resets the reader to the start of the member's data and loads the window.
void start_bits(MethodContext* context);
// Tops the window up a byte at a time; near the end of the member's data or
// of the buffer, where the whole-word refill below cannot be used.
void refill_bits_bytewise(MethodContext* context);

constexpr int WHOLE_LOAD = 8;

// The next eight input bytes as one number, the first in the top byte.
[[gnu::always_inline]] inline uint64_t load_big_endian(const uint8_t* bytes) {
    uint64_t value;
    std::memcpy(&value, bytes, WHOLE_LOAD);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    value = __builtin_bswap64(value);
#endif
    return value;
}

// Tops the window up to 56 bits or more. Usually eight bytes at once: one
// load fills the window up to its last whole byte; the next byte's leading
// bits come along too, and they are real stream bits, which the next refill
// ORs into the very same places.
inline void refill_bits(MethodContext* context) {
    if (context->compressed_remaining < WHOLE_LOAD || input_filled - input_position < WHOLE_LOAD) {
        refill_bits_bytewise(context);
        return;
    }
    int taken = (63 - bit_count) >> 3;
    bit_window |= load_big_endian(input_buffer + input_position) >> bit_count;
    bit_count += taken * 8;
    input_position += static_cast<uint64_t>(taken);
    context->compressed_remaining -= taken;
}

// The next 16 bits of the stream, without consuming them.
inline uint16_t bit_buffer() {
    return static_cast<uint16_t>(bit_window >> 48);
}

// The next n bits (0 to 32), without consuming them.
inline uint32_t peek_bits(int n) {
    return n == 0 ? 0 : static_cast<uint32_t>(bit_window >> (64 - n));
}

// Drops n bits (0 to 32).
inline void fill_bits(MethodContext* context, int n) {
    bit_window <<= n;
    bit_count -= n;
    if (bit_count < MIN_WINDOW_BITS) refill_bits(context);
}

// Drops any number of bits; for counts that come from damaged data.
void skip_bits(MethodContext* context, unsigned n);

// Reads an n-bit field (0 to 16), first bit most significant.
inline uint16_t get_bits(MethodContext* context, int n) {
    uint16_t value = static_cast<uint16_t>(peek_bits(n));
    fill_bits(context, n);
    return value;
}

}  // namespace HUFFMAN
