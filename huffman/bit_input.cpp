#include "bit_input.h"

namespace HUFFMAN {

uint8_t* input_buffer = nullptr;
uint64_t input_buffer_size = 0;
uint64_t input_filled = 0;
uint64_t input_position = 0;

uint64_t bit_window = 0;
int bit_count = 0;

namespace {
constexpr int WINDOW_BITS = 64;
constexpr int MAX_FILL_STEP = 32;
constexpr int WHOLE_LOAD = 8;
}  // namespace

uint8_t next_input_byte(CWinFile* input) {
    if (input_position >= input_filled) {
        // One read of a whole buffer; a short or failed read hands out only
        // what arrived, and nothing at all reads as zero bytes.
        int32_t got = input_buffer_size > 0 && input
                          ? input->read(input_buffer, static_cast<uint32_t>(input_buffer_size))
                          : -1;
        input_filled = got > 0 ? static_cast<uint64_t>(got) : 0;
        input_position = 0;
        if (input_filled == 0) return 0;
    }
    return input_buffer[input_position++];
}

void refill_bits(MethodContext* context) {
    // Usually eight bytes at once: one big-endian load fills the window up to
    // its last whole byte. The next byte's leading bits come along too; they
    // are real stream bits, and the next refill ORs the very same bits into the
    // very same places.
    if (context->compressed_remaining >= WHOLE_LOAD && input_filled - input_position >= WHOLE_LOAD) {
        const uint8_t* next = input_buffer + input_position;
        uint64_t bytes = 0;
        for (int i = 0; i < WHOLE_LOAD; ++i) bytes = bytes << 8 | next[i];
        int taken = (WINDOW_BITS - 1 - bit_count) >> 3;
        bit_window |= bytes >> bit_count;
        bit_count += taken * 8;
        input_position += static_cast<uint64_t>(taken);
        context->compressed_remaining -= taken;
        return;
    }
    while (bit_count <= WINDOW_BITS - 8) {
        uint64_t byte = 0;
        if (context->compressed_remaining > 0) {
            --context->compressed_remaining;
            byte = next_input_byte(context->input);
        }
        bit_window |= byte << (WINDOW_BITS - 8 - bit_count);
        bit_count += 8;
    }
}

void start_bits(MethodContext* context) {
    bit_window = 0;
    bit_count = 0;
    refill_bits(context);
}

void skip_bits(MethodContext* context, unsigned n) {
    while (n > 0) {
        int step = n > MAX_FILL_STEP ? MAX_FILL_STEP : static_cast<int>(n);
        fill_bits(context, step);
        n -= static_cast<unsigned>(step);
    }
}

}  // namespace HUFFMAN
