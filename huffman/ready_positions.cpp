#include "ready_positions.h"

#include "bit_input.h"
#include "code_tables.h"

namespace HUFFMAN {

int position_code_count;

const int32_t READY_LENGTHS[2][READY_TABLE_ENTRIES] = {
    {3, 1, 4, 12, 24, 48, 0},         // -lh1-: 64 codes of 3 to 8 bits
    {2, 1, 1, 3, 6, 13, 31, 78, 0},   // -lh3-: 128 codes of 2 to 9 bits
};

void fill_ready_lengths(int t) {
    int length = READY_LENGTHS[t][0];
    const int32_t* growth = READY_LENGTHS[t] + 1;  // each table ends with its 0
    const int codes = position_code_count < SMALL_LENGTHS ? position_code_count : SMALL_LENGTHS;
    for (int code = 0; code < codes; ++code) {
        for (; *growth != 0 && *growth == code; ++growth) ++length;
        small_lengths[code] = static_cast<uint8_t>(length);
    }
}

uint16_t decode_position_static(MethodContext* context) {
    uint16_t j = small_table[bit_buffer() >> (16 - SMALL_TABLE_BITS)];
    if (j < position_code_count)
        fill_bits(context, small_lengths[j]);
    else
        j = walk_tree(context, j, position_code_count, SMALL_TABLE_BITS, small_lengths);
    return static_cast<uint16_t>((j << POSITION_PLAIN_BITS) +
                                 get_bits(context, POSITION_PLAIN_BITS));
}

}  // namespace HUFFMAN
