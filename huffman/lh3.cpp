// -lh3-: blocks of static Huffman codes over an 8 KB dictionary.
//
// Each block starts with its code lengths, sent plainly: one presence bit and
// a 4-bit length per character symbol (literal bytes, match lengths 3..31 and
// an escape for longer matches), then either a 4-bit length per position code
// or a flag that selects the ready-made position code. A block whose first
// three lengths are all 1 has just one symbol, sent instead of the remaining
// lengths; every code of that block is that symbol and costs no bits.
#include "bit_input.h"
#include "code_tables.h"
#include "ready_positions.h"

namespace HUFFMAN {

namespace {

constexpr int LH3_CHAR_SYMBOLS = 286;
constexpr int ESCAPE_SYMBOL = 285;   // followed by 8 bits: match lengths 32..287
constexpr int ESCAPE_BITS = 8;
constexpr int POSITION_CODE_BITS = 7;  // the upper bits of a 13-bit position
constexpr int LH3_POSITION_CODES = 1 << POSITION_CODE_BITS;
constexpr int BLOCK_SIZE_BITS = 16;
constexpr int LENGTH_BITS = 4;
constexpr int SINGLE_CHAR_BITS = 9;
// The single position code is sent in the width of a position code; jlha's
// archives confirm this (a wider field misreads every code that follows).
constexpr int SINGLE_POSITION_BITS = POSITION_CODE_BITS;
// No prefix code has three codes of length 1, so the lengths 1, 1, 1 at the
// start are free to announce the single-symbol form.
constexpr int SINGLE_FORM_MARK = 3;

uint16_t lh3_block_remaining;  // character codes left in the current block

// True once the first three lengths read are all 1.
bool single_form_marked(const uint8_t* lengths, int read) {
    return read == SINGLE_FORM_MARK && lengths[0] == 1 && lengths[1] == 1 && lengths[2] == 1;
}

// Makes every code of a table the one symbol, costing no bits.
void use_single_symbol(uint8_t* lengths, int symbol_count, uint16_t* table, int table_size,
                       uint16_t symbol) {
    // A value beyond the alphabet would be taken for a tree node.
    if (symbol >= symbol_count) throw HUF_ERROR;
    for (int i = 0; i < symbol_count; ++i) lengths[i] = 0;
    for (int i = 0; i < table_size; ++i) table[i] = symbol;
}

void read_char_lengths_lh3(MethodContext* context) {
    for (int i = 0; i < LH3_CHAR_SYMBOLS; ++i) {
        bool present = get_bits(context, 1) != 0;
        char_lengths[i] = present ? static_cast<uint8_t>(get_bits(context, LENGTH_BITS) + 1) : 0;
        if (single_form_marked(char_lengths, i + 1)) {
            use_single_symbol(char_lengths, LH3_CHAR_SYMBOLS, char_table, CHAR_TABLE_SIZE,
                              get_bits(context, SINGLE_CHAR_BITS));
            return;
        }
    }
    build_decode_table(LH3_CHAR_SYMBOLS, char_lengths, CHAR_TABLE_BITS, char_table,
                       CHAR_TABLE_SIZE);
}

void read_position_lengths_lh3(MethodContext* context) {
    for (int i = 0; i < LH3_POSITION_CODES; ++i) {
        small_lengths[i] = static_cast<uint8_t>(get_bits(context, LENGTH_BITS));
        if (single_form_marked(small_lengths, i + 1)) {
            use_single_symbol(small_lengths, LH3_POSITION_CODES, small_table, SMALL_TABLE_SIZE,
                              get_bits(context, SINGLE_POSITION_BITS));
            return;
        }
    }
    build_decode_table(LH3_POSITION_CODES, small_lengths, SMALL_TABLE_BITS, small_table,
                       SMALL_TABLE_SIZE);
}

void use_ready_positions() {
    fill_ready_lengths(READY_LH3);
    build_decode_table(LH3_POSITION_CODES, small_lengths, SMALL_TABLE_BITS, small_table,
                       SMALL_TABLE_SIZE);
}

void read_block_header(MethodContext* context) {
    lh3_block_remaining = get_bits(context, BLOCK_SIZE_BITS);
    read_char_lengths_lh3(context);
    bool positions_sent = get_bits(context, 1) != 0;
    if (positions_sent)
        read_position_lengths_lh3(context);
    else
        use_ready_positions();
}

}  // namespace

void start_lh3(MethodContext* context) {
    start_bits(context);
    position_code_count = LH3_POSITION_CODES;
    lh3_block_remaining = 0;
}

uint16_t decode_char_lh3(MethodContext* context) {
    // A block size field of 0 wraps to 65,536 codes.
    if (lh3_block_remaining == 0) read_block_header(context);
    --lh3_block_remaining;
    uint16_t j = char_table[bit_buffer() >> (16 - CHAR_TABLE_BITS)];
    if (j < LH3_CHAR_SYMBOLS)
        fill_bits(context, char_lengths[j]);
    else
        j = walk_tree(context, j, LH3_CHAR_SYMBOLS, CHAR_TABLE_BITS, char_lengths);
    if (j == ESCAPE_SYMBOL) j = static_cast<uint16_t>(j + get_bits(context, ESCAPE_BITS));
    return j;
}

}  // namespace HUFFMAN
