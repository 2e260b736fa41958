#include "code_tables.h"

#include "bit_input.h"

namespace HUFFMAN {

uint8_t char_lengths[CHAR_SYMBOLS];
uint16_t char_table[CHAR_TABLE_SIZE];
uint8_t small_lengths[SMALL_LENGTHS];
uint16_t small_table[SMALL_TABLE_SIZE];
uint16_t left_child[TREE_NODES];
uint16_t right_child[TREE_NODES];

namespace {
constexpr int CODE_SPACE_BITS = 16;  // canonical codes are laid out in a 16-bit space
constexpr uint16_t TOP_BIT = 0x8000;
}  // namespace

void build_decode_table(int symbol_count, const uint8_t* lengths, int table_bits, uint16_t* table,
                        int table_size) {
    // count[L]: codes of length L; weight[L]: code-space units one such code
    // covers; start[L]: the first code of length L, canonical order.
    uint16_t count[LONGEST_CODE + 2] = {};
    uint16_t weight[LONGEST_CODE + 2] = {};
    uint16_t start[LONGEST_CODE + 2] = {};
    for (int length = 1; length <= LONGEST_CODE; ++length)
        weight[length] = static_cast<uint16_t>(1u << (CODE_SPACE_BITS - length));
    for (int s = 0; s < symbol_count; ++s) {
        if (lengths[s] > LONGEST_CODE) throw HUF_ERROR;
        ++count[lengths[s]];
    }
    // Incomplete codes are accepted (the sum is not checked): the unused
    // codes simply lead nowhere.
    uint16_t total = 0;
    for (int length = 1; length <= LONGEST_CODE; ++length) {
        start[length] = total;
        total = static_cast<uint16_t>(total + weight[length] * count[length]);
    }
    const int shift = CODE_SPACE_BITS - table_bits;
    for (int length = 1; length <= table_bits; ++length) {
        start[length] = static_cast<uint16_t>(start[length] >> shift);
        weight[length] = static_cast<uint16_t>(weight[length] >> shift);
    }
    // Entries from the first code longer than the table on are tree roots:
    // clear them, since a slot holding 0 counts as empty while trees are built.
    int first_root = start[table_bits + 1] >> shift;
    int table_end = (1 << table_bits) < table_size ? (1 << table_bits) : table_size;
    if (first_root != 0)
        for (int i = first_root; i < table_end; ++i) table[i] = 0;

    int next_node = symbol_count;
    for (int s = 0; s < symbol_count; ++s) {
        int length = lengths[s];
        if (length == 0) continue;
        uint16_t end = static_cast<uint16_t>(start[length] + weight[length]);
        if (length <= table_bits) {
            int fill_end = end < table_size ? end : table_size;
            for (int i = start[length]; i < fill_end; ++i) table[i] = static_cast<uint16_t>(s);
        } else {
            uint16_t code = start[length];
            uint16_t* slot = &table[code >> shift];
            uint16_t bits = static_cast<uint16_t>(code << table_bits);
            for (int step = length - table_bits; step > 0; --step) {
                if (*slot == 0) {
                    // Over-subscribed lengths could ask for more nodes than exist.
                    if (next_node >= TREE_NODES) throw HUF_ERROR;
                    left_child[next_node] = right_child[next_node] = 0;
                    *slot = static_cast<uint16_t>(next_node++);
                }
                slot = (bits & TOP_BIT) ? &right_child[*slot] : &left_child[*slot];
                bits = static_cast<uint16_t>(bits << 1);
            }
            *slot = static_cast<uint16_t>(s);
        }
        start[length] = end;
    }
}

uint16_t walk_tree(MethodContext* context, uint16_t node, int symbol_count, int table_bits,
                   const uint8_t* lengths) {
    uint64_t bits = bit_window << table_bits;  // the bits after the looked-up ones
    const int most_steps = LONGEST_CODE - table_bits;
    uint16_t j = node;
    for (int steps = 0; j >= symbol_count; ++steps) {
        if (steps == most_steps) throw HUF_ERROR;
        j = (bits >> 63) ? right_child[j] : left_child[j];
        bits <<= 1;
    }
    // The code's length says how many bits it took. For damaged lengths the
    // difference wraps like a byte, as the format's reference readers do.
    skip_bits(context, static_cast<unsigned>(table_bits) +
                           static_cast<uint8_t>(lengths[j] - table_bits));
    return j;
}

}  // namespace HUFFMAN
