#include "bit_input.h"

namespace HUFFMAN {

uint8_t* input_buffer = nullptr;
uint64_t input_buffer_size;
uint64_t input_filled;
uint64_t input_position;

uint32_t padding_taken;

uint64_t bit_window;
int bit_count;

namespace {
constexpr int WINDOW_BITS = 64;
constexpr int MAX_FILL_STEP = 32;
}  // namespace

uint8_t refill_input(CWinFile* input) {
    // One read of a whole buffer; a short or failed read hands out only what
    // arrived, and nothing at all reads as zero bytes.
    int32_t got = input_buffer_size > 0 && input
                      ? input->read(input_buffer, static_cast<uint32_t>(input_buffer_size))
                      : -1;
    input_filled = got > 0 ? static_cast<uint64_t>(got) : 0;
    input_position = 0;
    if (input_filled == 0) return 0;
    return input_buffer[input_position++];
}

uint8_t padding_byte() {
    if (++padding_taken > PADDING_LIMIT) throw HUF_ERROR;
    return 0;
}

void refill_bits_bytewise(MethodContext* context) {
    while (bit_count <= WINDOW_BITS - 8) {
        uint64_t byte;
        if (context->compressed_remaining > 0) {
            --context->compressed_remaining;
            byte = next_input_byte(context->input);
        } else {
            byte = padding_byte();
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
