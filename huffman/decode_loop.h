// The sliding-dictionary loop, compiled once per family of methods.
//
// Output goes into one buffer laid out as
//
//     [ history: dictionary_size bytes | new output ... | slack ]
//
// The history holds the last dictionary_size bytes before the new output
// (at the start of a member, the initial dictionary: spaces, or the -lz5-
// patterns), so a match copies from out - distance without any wrap test,
// and a literal is one store. Matches at a distance of eight bytes or more
// copy whole 8-byte words, which may write up to seven bytes past the match
// into the slack; later output overwrites them and they are never written
// out. Distances are taken modulo the dictionary size, as in a ring of that
// size: distance d reads the byte a ring index (position - d) mod size holds.
//
// The loop compares the output pointer with a single mark per symbol: the
// nearest of the next full dictionary (progress is reported once per full
// dictionary, as the ring wrapped), the end of the buffer's room (the new
// output is written out in one piece and the last dictionary_size bytes move
// to the front as the history) and the member's original size. Reaching
// the mark runs OutputBuffer::reach_mark, out of line, and reads the abort
// flag: once per dictionary of output at the latest (well under a
// millisecond of decoding), and at the member's end.
//
// A family (Codes) supplies the operations of its methods, inlined here:
// decode_char(bits) returns the next code, decode_position(bits, produced)
// the distance minus one of the match just decoded, given the count of
// bytes produced before it. Its state is a local object too.
#pragma once

#include <cstdint>
#include <cstring>

#include "Sfx/run_state.h"
#include "bit_cursor.h"

namespace HUFFMAN {

constexpr uint16_t LITERAL_LIMIT = 0xFF;  // codes up to it are literal bytes

struct OutputBuffer {
    uint8_t* buffer;           // history, new output and slack
    uint32_t dictionary_size;  // a power of two
    uint8_t* fresh;            // buffer + dictionary_size: where the new output starts
    int64_t flushed;           // bytes of the member before fresh
    int64_t original_size;
    int64_t next_report;       // produced count of the next full dictionary
    uint8_t* mark;             // reach_mark is due once the output pointer gets here
    uint8_t* room_end;         // the new output is written out once it reaches this
    uint8_t* end;              // where the output stopped: the member is complete
    void* owner;               // the driver's own record

    // Handles what is due at out: reports progress, writes out a full
    // buffer; returns the output pointer to go on with (fresh after writing
    // out), or nullptr when the member's original size is reached.
    uint8_t* reach_mark(uint8_t* out);
};

// Copies a match of length bytes from distance bytes back.
[[gnu::always_inline]] inline uint8_t* copy_match(uint8_t* out, uint32_t distance, uint32_t length) {
    const uint8_t* from = out - distance;
    uint8_t* end = out + length;
    constexpr uint32_t WORD = 8;
    if (distance >= WORD) {
        // Each word's source lies wholly before it, so was written already.
        do {
            uint64_t word;
            std::memcpy(&word, from, WORD);
            std::memcpy(out, &word, WORD);
            from += WORD;
            out += WORD;
        } while (out < end);
    } else {
        // A short distance repeats the bytes the match itself writes.
        while (out < end) *out++ = *from++;
    }
    return end;
}

// Decodes until the member's original size is reached; false when the user
// aborted.
template <class Codes>
bool decode_symbols(OutputBuffer& output, Codes& codes, BitCursor& bits, uint16_t match_bias) {
    const uint32_t mask = output.dictionary_size - 1;
    uint8_t* out = output.fresh;
    uint8_t* mark = output.mark;
    for (;;) {
        uint16_t code = codes.decode_char(bits);
        if (code <= LITERAL_LIMIT) {
            *out++ = static_cast<uint8_t>(code);
        } else {
            uint32_t length = static_cast<uint32_t>(code - match_bias);
            int64_t produced = output.flushed + (out - output.fresh);
            uint32_t distance = (codes.decode_position(bits, produced) & mask) + 1u;
            out = copy_match(out, distance, length);
        }
        if (out >= mark) {
            out = output.reach_mark(out);
            if (user_aborted()) return false;
            if (out == nullptr) return true;
            mark = output.mark;
        }
    }
}

// The loop on a cursor of the process-wide reader, which gets the state
// back at the end.
template <class Codes>
bool decode_loop(OutputBuffer& output, Codes& codes, MethodContext* context,
                 uint16_t match_bias) {
    BitCursor bits(context);
    bool done = decode_symbols(output, codes, bits, match_bias);
    bits.store();
    return done;
}

}  // namespace HUFFMAN
