// Code tables shared by the Huffman methods: code lengths, lookup tables and
// the overflow trees for codes longer than a table's index.
//
// A lookup table is indexed by the next table_bits bits of the stream. Its
// entry is either the symbol whose code begins with those bits (a code no
// longer than table_bits), or a node number: the root of a small binary tree
// that the following bits walk, one per step, to the symbol of a longer code.
// Symbols and nodes share one number space: below the table's symbol count a
// value is a symbol, at or above it a node. Nodes live in left_child and
// right_child, numbered from the symbol count upward.
#pragma once

#include <cstdint>

#include "engine.h"

namespace HUFFMAN {

constexpr int CHAR_SYMBOLS = 510;     // 256 literals + match lengths 3..256
constexpr int CHAR_TABLE_BITS = 12;
constexpr int CHAR_TABLE_SIZE = 1 << CHAR_TABLE_BITS;
constexpr int SMALL_LENGTHS = 128;    // room for the largest small code (-lh3- positions)
constexpr int SMALL_TABLE_BITS = 8;
constexpr int SMALL_TABLE_SIZE = 1 << SMALL_TABLE_BITS;
constexpr int TREE_NODES = 1024;
constexpr int LONGEST_CODE = 16;

extern uint8_t char_lengths[CHAR_SYMBOLS];
extern uint16_t char_table[CHAR_TABLE_SIZE];
extern uint8_t small_lengths[SMALL_LENGTHS];
extern uint16_t small_table[SMALL_TABLE_SIZE];
extern uint16_t left_child[TREE_NODES];
extern uint16_t right_child[TREE_NODES];

// Builds table (and overflow trees) for the canonical code given by the first
// symbol_count lengths. Lengths need not form a complete code; a length above
// LONGEST_CODE, or more tree nodes than the arrays hold, raises HUF_ERROR.
void build_decode_table(int symbol_count, const uint8_t* lengths, int table_bits, uint16_t* table,
                        int table_size);

// Finishes a lookup that landed on a node: walks the overflow tree with the
// bits after the table's table_bits, drops the code's bits and returns the
// symbol. A sound code reaches a symbol within LONGEST_CODE - table_bits
// steps; a walk that does not (damaged lengths) raises HUF_ERROR.
uint16_t walk_tree(MethodContext* context, uint16_t node, int symbol_count, int table_bits,
                   const uint8_t* lengths);

}  // namespace HUFFMAN
