// -lh4- to -lh7-: blocks of static Huffman codes.
//
// Each block starts with its code table, sent as code lengths: first a small
// "length code" (19 symbols), then the character code (510 symbols: literal
// bytes and match lengths) coded with it, then the position code (one symbol
// per power of two of the match distance). The methods differ only in their
// dictionary size, which sets the size of the position alphabet.
//
// The decode loop (BlockCodes) reads the block's codes through tables made
// from the lookup tables once per block: a character entry carries the
// symbol and its code length, so a code costs one load; a position entry
// carries the code length, the count of extra bits and the distance they
// add to, so a distance costs one load and one shift. Entries that lead into
// an overflow tree are marked and resolved out of line by the walk.
#include "bit_cursor.h"
#include "code_tables.h"
#include "decode_loop.h"

namespace HUFFMAN {

namespace {

constexpr int LENGTH_SYMBOLS = 19;
constexpr int LENGTH_COUNT_BITS = 5;
constexpr int LENGTH_ZERO_RUN_AFTER = 3;  // a 2-bit count of zero lengths follows the third length
constexpr int NO_ZERO_RUN = -1;
constexpr int CHAR_COUNT_BITS = 9;
constexpr int BLOCK_SIZE_BITS = 16;

// A length of 7 or more is sent as 111 followed by one 1-bit per extra unit
// and a closing 0-bit.
constexpr int LONG_LENGTH = 7;
constexpr int LENGTH_FIELD_BITS = 3;

// Length-code symbols 0..2 are runs of zero lengths; 3..18 stand for 1..16.
constexpr int ZERO_RUN_SYMBOLS = 3;
constexpr int SHORT_RUN_BITS = 4;   // symbol 1: 3..18 zeros
constexpr int SHORT_RUN_BASE = 3;
constexpr int LONG_RUN_BITS = 9;    // symbol 2: 20..531 zeros
constexpr int LONG_RUN_BASE = 20;

uint16_t block_remaining;  // codes left in the current block
int position_symbols;      // 14, 16 or 17
int position_count_bits;   // 4 or 5

void set_all(uint16_t* table, int size, uint16_t value) {
    for (int i = 0; i < size; ++i) table[i] = value;
}

// The next code length of a small code (length code or position code).
int read_small_length(MethodContext* context) {
    int length = peek_bits(LENGTH_FIELD_BITS);
    if (length == LONG_LENGTH) {
        uint64_t bits = bit_window << LENGTH_FIELD_BITS;
        // The 1-bits are counted within the 16-bit window, so a length stops
        // at 7 + 13 = 20 (and then fails the table build).
        for (int extra = 0; extra < 16 - LENGTH_FIELD_BITS && (bits >> 63); ++extra) {
            ++length;
            bits <<= 1;
        }
        // 111, the extra 1-bits and the closing 0-bit.
        fill_bits(context, length - LENGTH_FIELD_BITS);
    } else {
        fill_bits(context, LENGTH_FIELD_BITS);
    }
    return length;
}

void store_small_length(int& i, int length) {
    if (i >= SMALL_LENGTHS) throw HUF_ERROR;
    small_lengths[i++] = static_cast<uint8_t>(length);
}

void store_char_length(int& i, int length) {
    if (i >= CHAR_SYMBOLS) throw HUF_ERROR;
    char_lengths[i++] = static_cast<uint8_t>(length);
}

void read_small_lengths(MethodContext* context, int symbol_count, int count_bits,
                        int special_index) {
    int n = get_bits(context, count_bits);
    if (n == 0) {
        // One symbol only: every code is it and costs no bits.
        uint16_t only = get_bits(context, count_bits);
        for (int i = 0; i < symbol_count; ++i) small_lengths[i] = 0;
        set_all(small_table, SMALL_TABLE_SIZE, only);
        return;
    }
    int i = 0;
    while (i < n) {
        store_small_length(i, read_small_length(context));
        if (i == special_index) {
            for (int zeros = get_bits(context, 2); zeros > 0; --zeros) store_small_length(i, 0);
        }
    }
    // Lengths sent beyond symbol_count are ignored.
    for (; i < symbol_count; ++i) small_lengths[i] = 0;
    build_decode_table(symbol_count, small_lengths, SMALL_TABLE_BITS, small_table,
                       SMALL_TABLE_SIZE);
}

// One symbol of the length code.
int decode_length_symbol(MethodContext* context) {
    uint16_t c = small_table[bit_buffer() >> (16 - SMALL_TABLE_BITS)];
    if (c < LENGTH_SYMBOLS) {
        fill_bits(context, small_lengths[c]);
        return c;
    }
    return walk_tree(context, c, LENGTH_SYMBOLS, SMALL_TABLE_BITS, small_lengths);
}

void read_char_lengths(MethodContext* context) {
    int n = get_bits(context, CHAR_COUNT_BITS);
    if (n == 0) {
        uint16_t only = get_bits(context, CHAR_COUNT_BITS);
        for (int i = 0; i < CHAR_SYMBOLS; ++i) char_lengths[i] = 0;
        set_all(char_table, CHAR_TABLE_SIZE, only);
        return;
    }
    int i = 0;
    while (i < n) {
        int c = decode_length_symbol(context);
        if (c >= ZERO_RUN_SYMBOLS) {
            store_char_length(i, c - 2);
            continue;
        }
        int zeros = c == 0   ? 1
                    : c == 1 ? get_bits(context, SHORT_RUN_BITS) + SHORT_RUN_BASE
                             : get_bits(context, LONG_RUN_BITS) + LONG_RUN_BASE;
        for (; zeros > 0; --zeros) store_char_length(i, 0);
    }
    for (; i < CHAR_SYMBOLS; ++i) char_lengths[i] = 0;
    build_decode_table(CHAR_SYMBOLS, char_lengths, CHAR_TABLE_BITS, char_table, CHAR_TABLE_SIZE);
}

// Out of line: a block header comes once per thousands of codes, and inlined
// into the decode loop (BlockCodes::next_block) it would make every code's
// decoding save and restore registers.
[[gnu::noinline, gnu::cold]] void read_block_header(MethodContext* context) {
    block_remaining = get_bits(context, BLOCK_SIZE_BITS);
    read_small_lengths(context, LENGTH_SYMBOLS, LENGTH_COUNT_BITS, LENGTH_ZERO_RUN_AFTER);
    read_char_lengths(context);
    read_small_lengths(context, position_symbols, position_count_bits, NO_ZERO_RUN);
}

// A character entry: the symbol in the low 16 bits, its code length above;
// or TREE_ENTRY and the tree's root node.
constexpr uint32_t TREE_ENTRY = 0x80000000u;
constexpr int ENTRY_LENGTH_SHIFT = 16;
uint32_t char_entries[CHAR_TABLE_SIZE];

// A position entry: the code's length, then extra bits whose value is added
// to base; length TREE_LENGTH when the table entry is a tree's root.
struct PositionEntry {
    uint16_t base;  // 2^(j-1) for symbol j > 0, kept to 16 bits as the result is
    uint8_t length;
    uint8_t extra;
};
constexpr uint8_t TREE_LENGTH = 0xFF;
constexpr PositionEntry TREE_ROOT = {0, TREE_LENGTH, 0};  // base and extra unused
PositionEntry position_entries[SMALL_TABLE_SIZE];

void make_entries() {
    for (int i = 0; i < CHAR_TABLE_SIZE; ++i) {
        uint16_t j = char_table[i];
        char_entries[i] = j < CHAR_SYMBOLS
                              ? j | static_cast<uint32_t>(char_lengths[j]) << ENTRY_LENGTH_SHIFT
                              : TREE_ENTRY | j;
    }
    for (int i = 0; i < SMALL_TABLE_SIZE; ++i) {
        uint16_t j = small_table[i];
        PositionEntry& entry = position_entries[i];
        if (j >= position_symbols) {
            entry = TREE_ROOT;
        } else {
            entry.length = small_lengths[j];
            entry.extra = static_cast<uint8_t>(j == 0 ? 0 : j - 1);
            entry.base = static_cast<uint16_t>(j == 0 ? 0 : 1u << (j - 1));
        }
    }
}

// The operations of -lh4- to -lh7- for the decode loop, on the cursor.
struct BlockCodes {
    uint32_t remaining;  // block_remaining, in a register

    [[gnu::always_inline]] uint16_t decode_char(BitCursor& bits) {
        if (__builtin_expect(remaining == 0, 0)) next_block(bits);
        --remaining;
        bits.refill();
        uint32_t entry = char_entries[bits.peek(CHAR_TABLE_BITS)];
        if (entry & TREE_ENTRY) return walk_char_tree(bits, static_cast<uint16_t>(entry));
        bits.drop(static_cast<int>(entry >> ENTRY_LENGTH_SHIFT));
        return static_cast<uint16_t>(entry);
    }

    [[gnu::always_inline]] uint16_t decode_position(BitCursor& bits, int64_t) {
        PositionEntry entry = position_entries[bits.peek(SMALL_TABLE_BITS)];
        if (entry.length == TREE_LENGTH) return walk_position_tree(bits);
        // Shifted one less and once more, so that 0 extra bits give 0.
        uint64_t after = bits.window << entry.length;
        uint32_t extra = static_cast<uint32_t>((after >> 1) >> (63 - entry.extra));
        bits.drop(entry.length + entry.extra);
        return static_cast<uint16_t>(entry.base + extra);
    }

    [[gnu::always_inline]] void next_block(BitCursor& bits) {
        bits.store();
        read_block_header(bits.context);
        make_entries();
        bits.load();
        // A block size field of 0 wraps to 65,536 codes.
        remaining = block_remaining == 0 ? 0x10000u : block_remaining;
    }

    [[gnu::always_inline]] uint16_t walk_char_tree(BitCursor& bits, uint16_t node) {
        bits.store();
        uint16_t j = walk_tree(bits.context, node, CHAR_SYMBOLS, CHAR_TABLE_BITS, char_lengths);
        bits.load();
        return j;
    }

    [[gnu::always_inline]] uint16_t walk_position_tree(BitCursor& bits) {
        return bits.call(decode_position_blocks);
    }
};

}  // namespace

bool loop_blocks(OutputBuffer& output, MethodContext* context, uint16_t match_bias) {
    BlockCodes codes = {block_remaining};
    bool done = decode_loop(output, codes, context, match_bias);
    block_remaining = static_cast<uint16_t>(codes.remaining);
    return done;
}

void start_blocks(MethodContext* context) {
    constexpr int LARGEST_DICTIONARY_BITS = 16;
    constexpr int SMALL_DICTIONARY_BITS = 14;
    if (context->dictionary_bits <= SMALL_DICTIONARY_BITS) {
        position_symbols = 14;
        position_count_bits = 4;
    } else {
        position_count_bits = 5;
        position_symbols = context->dictionary_bits == LARGEST_DICTIONARY_BITS ? 17 : 16;
    }
    start_bits(context);
    block_remaining = 0;
}

uint16_t decode_position_blocks(MethodContext* context) {
    uint16_t j = small_table[bit_buffer() >> (16 - SMALL_TABLE_BITS)];
    if (j < position_symbols)
        fill_bits(context, small_lengths[j]);
    else
        j = walk_tree(context, j, position_symbols, SMALL_TABLE_BITS, small_lengths);
    // Symbol j > 0 stands for distances 2^(j-1) .. 2^j - 1: j - 1 more bits follow.
    if (j == 0) return 0;
    return static_cast<uint16_t>((1u << (j - 1)) + get_bits(context, j - 1));
}

}  // namespace HUFFMAN
