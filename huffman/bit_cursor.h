// The bit reader's state held in locals for one decode loop.
//
// The reader's state is process-wide (bit_input.h), and a loop that keeps it
// there must reload it after every output byte it stores, since a byte store
// may alias anything. A BitCursor copies the window, its bit count and the
// input pointer into a local object whose address never escapes the loop, so
// the compiler keeps them in registers. Anything the loop calls out of line
// (a block header, a tree walk, a method's own operation) works on the
// process-wide state: store() hands the state back before such a call and
// load() takes it again afterwards. Those calls, and everything around them,
// are inlined too: a cursor (or a family's state) whose address reached a
// function the compiler does not see into would be kept in memory.
//
// refill() tops the window up to at least 56 bits with one 8-byte load while
// eight bytes of the member remain in the buffer (fast_end marks the last
// place that allows it); otherwise it falls back to the bytewise refill of
// bit_input, which also refills the buffer from the file and supplies the
// zero padding past the member's end. One refill per symbol is enough: the
// longest symbol, a 16-bit character code, a 16-bit position code and 15
// extra bits, takes 47 bits.
//
// The hot operations, here and in the families, are marked always_inline:
// the stub is compiled for size, and -Os would otherwise call them, which
// puts the cursor back in memory and undoes the point of it.
#pragma once

#include <cstdint>

#include "bit_input.h"

namespace HUFFMAN {

struct BitCursor {
    uint64_t window;
    int count;
    const uint8_t* next;      // input_buffer + input_position
    const uint8_t* fast_end;  // an 8-byte load at next is sound while next <= fast_end
    MethodContext* context;

    explicit BitCursor(MethodContext* c) : context(c) { load(); }

    [[gnu::always_inline]] void load() {
        window = bit_window;
        count = bit_count;
        next = input_buffer + input_position;
        uint64_t left = input_filled - input_position;
        int64_t member_left = context->compressed_remaining;
        if (member_left < 0) member_left = 0;
        if (static_cast<uint64_t>(member_left) < left) left = static_cast<uint64_t>(member_left);
        // Pointer arithmetic stays within the buffer: the fast path is off
        // (fast_end before next) when fewer than eight bytes are left.
        fast_end = left >= WHOLE_LOAD ? next + (left - WHOLE_LOAD) : nullptr;
    }

    [[gnu::always_inline]] void store() {
        uint64_t taken = static_cast<uint64_t>(next - (input_buffer + input_position));
        input_position += taken;
        context->compressed_remaining -= static_cast<int64_t>(taken);
        bit_window = window;
        bit_count = count;
    }

    // The three-bits-and-more counts of the window (count & 7) stay; the whole
    // bytes that fit are taken.
    [[gnu::always_inline]] void refill() {
        if (__builtin_expect(fast_end != nullptr && next <= fast_end, 1)) {
            window |= load_big_endian(next) >> count;
            next += (63 - count) >> 3;
            count |= 56;
            return;
        }
        store();
        refill_bits_bytewise(context);
        load();
    }

    // Runs one of the method's operations on the process-wide reader.
    [[gnu::always_inline]] uint16_t call(uint16_t (*operation)(MethodContext*)) {
        store();
        uint16_t result = operation(context);
        load();
        return result;
    }

    // The next n bits (1 to 32).
    [[gnu::always_inline]] uint32_t peek(int n) const { return static_cast<uint32_t>(window >> (64 - n)); }
    [[gnu::always_inline]] void drop(int n) {
        window <<= n;
        count -= n;
    }
};

}  // namespace HUFFMAN
