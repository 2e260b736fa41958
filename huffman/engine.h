// Inside the engine: the record every method operation receives, the table of
// methods, and the driver's state the operations may read.
#pragma once

#include <cstdint>

#include "huffman.h"
#include "text/win_file.h"

namespace HUFFMAN {

struct MethodContext;

// A method is three operations: the next code (0-255 a literal byte, higher a
// match), the distance of a match minus one, and the start of a member. The
// families that decode inline in a loop of their own leave the first two null.
using DecodeChar = uint16_t (*)(MethodContext* context);
using DecodePosition = uint16_t (*)(MethodContext* context);
using StartMethod = void (*)(MethodContext* context);

struct DecodeMethod {
    DecodeChar decode_char;
    DecodePosition decode_position;
    StartMethod start;
};

// Built by the driver for one member and handed to every operation.
struct MethodContext {
    DecodeChar decode_char;
    DecodePosition decode_position;
    StartMethod start;
    uint8_t* dictionary;  // the initial dictionary, 1 << dictionary_bits bytes
    CWinFile* input;      // the archive, positioned at the member's data
    CWinFile* output;
    int dictionary_bits;
    int64_t original_size;
    // Compressed bytes the bit reader may still take; past them it reads zeros.
    int64_t compressed_remaining;
};

// The compressing methods, indexed by method index minus 1 ("-lh1-" .. "-lz5-").
constexpr int COMPRESSING_METHODS = 9;
extern const DecodeMethod DECODE_METHODS[COMPRESSING_METHODS];

// The driver's progress through the current member, for the position
// operations (the loop brings it up to date before each of them runs): bytes
// produced so far, a match counting whole at once.
extern int64_t decoded_count;

// The decode loops of the families with operations of their own, inlined
// (decode_loop.h); false when the user aborted.
struct OutputBuffer;
bool loop_adaptive(OutputBuffer& output, MethodContext* context, uint16_t match_bias);
bool loop_blocks(OutputBuffer& output, MethodContext* context, uint16_t match_bias);
bool loop_lzs(OutputBuffer& output, MethodContext* context, uint16_t match_bias);
bool loop_lz5(OutputBuffer& output, MethodContext* context, uint16_t match_bias);

// Static-Huffman methods (-lh4- .. -lh7-).
void start_blocks(MethodContext* context);
uint16_t decode_position_blocks(MethodContext* context);

// Dynamic-Huffman methods (-lh1-, -lh2-).
void start_lh1(MethodContext* context);
void start_lh2(MethodContext* context);
uint16_t decode_position_adaptive(MethodContext* context);
uint16_t decode_position_static(MethodContext* context);  // ready_positions.h

// -lh3-.
void start_lh3(MethodContext* context);
uint16_t decode_char_lh3(MethodContext* context);

// -lzs- and -lz5-.
void start_lzs(MethodContext* context);
void start_lz5(MethodContext* context);
uint16_t decode_char_lz5(MethodContext* context);

}  // namespace HUFFMAN
