// Position codes from ready-made length tables, for the methods that do not
// send their position code (-lh1-, and -lh3- blocks that ask for it).
//
// A position is split into an upper part, coded with position_code_count
// codes, and 6 plain bits below it.
#pragma once

#include <cstdint>

#include "engine.h"

namespace HUFFMAN {

// Number of position codes of the current method: 64 (-lh1-) or 128 (-lh3-).
extern int position_code_count;

// Each table: the starting code length, then the codes at which the length
// grows by one, ascending (a code listed twice grows it by two), ended by 0.
constexpr int READY_TABLE_ENTRIES = 16;
constexpr int READY_LH1 = 0;
constexpr int READY_LH3 = 1;
extern const int32_t READY_LENGTHS[2][READY_TABLE_ENTRIES];

// Fills small_lengths[0 .. position_code_count - 1] from ready table t.
void fill_ready_lengths(int t);

// Plain bits of a position below its code.
constexpr int POSITION_PLAIN_BITS = 6;

// The next position: its code through small_table (and the overflow tree),
// times 64, plus 6 plain bits.
uint16_t decode_position_static(MethodContext* context);

}  // namespace HUFFMAN
