// -lzs- and -lz5-: plain LZSS, literals and matches without Huffman codes.
//
// -lzs- is a bit stream: a flag bit, then an 8-bit literal or an 11-bit
// position and a 4-bit length. -lz5- works on whole bytes: a flag byte tells,
// from its lowest bit up, whether each of the next eight items is a literal
// byte (1) or a two-byte match (0).
//
// In both, a match position is an absolute index into the encoder's ring,
// which began writing output a little before its end (-lzs-: at 2048 - 17,
// -lz5-: at 4096 - 18) while ours begins at 0; the position operations turn
// that index into the distance the driver copies from.
//
// The decode loop runs both methods with their operations inlined
// (LzsCodes, Lz5Codes), on the bit cursor; -lz5- takes its bytes straight
// from the cursor's input pointer while the buffer holds the next eight
// bytes of the member, and from the operation below otherwise.
#include "bit_cursor.h"
#include "decode_loop.h"

namespace HUFFMAN {

namespace {

constexpr uint16_t FIRST_MATCH_CODE = 256;

// -lzs-
constexpr int LZS_POSITION_BITS = 11;
constexpr int LZS_LENGTH_BITS = 4;
constexpr int LZS_LITERAL_BITS = 8;
constexpr uint32_t LZS_RING_MASK = (1u << LZS_POSITION_BITS) - 1;
constexpr uint32_t LZS_RING_START = 17;  // ring index 0 is the encoder's 2048 - 17

// -lz5-
constexpr int LZ5_ITEMS_PER_FLAG = 8;
constexpr uint32_t LZ5_RING_MASK = 0xFFF;
constexpr uint32_t LZ5_RING_START = 18;  // ring index 0 is the encoder's 4096 - 18
constexpr int LZ5_POSITION_HIGH_SHIFT = 4;  // high nibble of the second byte: position bits 8..11
constexpr uint8_t LZ5_POSITION_HIGH = 0xF0;
constexpr uint8_t LZ5_LENGTH_MASK = 0x0F;

// The -lz5- ring starts with patterns an encoder can refer to before any
// output exists: runs of every byte value, both byte ramps, zeros and spaces.
// Its last 18 bytes, where the encoder begins writing (our indices 0 to 17),
// are zeros: LArc's members that copy from there decode so in lhasa, and
// their CRC-16 agrees; a match at each of the 4096 position fields, decoded
// by lhasa, showed no other difference from this layout.
constexpr int LZ5_RUN_LENGTH = 13;
constexpr int BYTE_VALUES = 256;
constexpr int LZ5_ZERO_BYTES = 128;
constexpr uint8_t SPACE = 0x20;

int match_position;  // the position field of the last match
int lz5_flags;       // the current flag byte, its next bit lowest
int lz5_flags_left;  // items before the next flag byte

// The next byte of the member's data; zeros past its end, like the bit
// reader, so a damaged member never takes bytes of the next one (and stops
// as damaged when it takes too many).
uint8_t next_member_byte(MethodContext* context) {
    if (context->compressed_remaining <= 0) return padding_byte();
    --context->compressed_remaining;
    return next_input_byte(context->input);
}

// Turns the encoder's ring index into the driver's distance minus one, at
// ring index (or output count) position.
inline uint16_t distance_from(uint32_t position, uint32_t match, uint32_t ring_start,
                              uint32_t ring_mask) {
    return static_cast<uint16_t>((position - (match + ring_start) - 1) & ring_mask);
}

// -lzs- for the decode loop. An item takes at most 16 bits, one refill.
struct LzsCodes {
    uint32_t match;

    [[gnu::always_inline]] uint16_t decode_char(BitCursor& bits) {
        constexpr int LITERAL_ITEM = 1 + LZS_LITERAL_BITS;
        constexpr int MATCH_ITEM = 1 + LZS_POSITION_BITS + LZS_LENGTH_BITS;
        bits.refill();
        if (bits.peek(1) != 0) {
            uint16_t literal = static_cast<uint16_t>(bits.peek(LITERAL_ITEM) & 0xFF);
            bits.drop(LITERAL_ITEM);
            return literal;
        }
        uint32_t item = bits.peek(MATCH_ITEM);
        bits.drop(MATCH_ITEM);
        match = item >> LZS_LENGTH_BITS;  // the flag bit above it is 0
        return static_cast<uint16_t>(FIRST_MATCH_CODE + (item & ((1u << LZS_LENGTH_BITS) - 1)));
    }
    [[gnu::always_inline]] uint16_t decode_position(BitCursor&, int64_t produced) {
        return distance_from(static_cast<uint32_t>(produced), match, LZS_RING_START,
                             LZS_RING_MASK);
    }
};

// -lz5- for the decode loop: an item takes at most three bytes (a flag
// byte, two bytes of a match).
struct Lz5Codes {
    int flags;
    int flags_left;
    uint32_t match;

    [[gnu::always_inline]] uint16_t decode_char(BitCursor& bits) {
        if (__builtin_expect(bits.fast_end == nullptr || bits.next > bits.fast_end, 0))
            return decode_slowly(bits);
        if (flags_left == 0) {
            flags = *bits.next++;
            flags_left = LZ5_ITEMS_PER_FLAG;
        }
        --flags_left;
        uint16_t result = *bits.next++;
        if ((flags & 1) == 0) {
            uint8_t high = *bits.next++;
            match = result + ((high & LZ5_POSITION_HIGH) << LZ5_POSITION_HIGH_SHIFT);
            result = static_cast<uint16_t>(FIRST_MATCH_CODE + (high & LZ5_LENGTH_MASK));
        }
        flags >>= 1;
        return result;
    }
    [[gnu::always_inline]] uint16_t decode_position(BitCursor&, int64_t produced) {
        return distance_from(static_cast<uint32_t>(produced), match, LZ5_RING_START,
                             LZ5_RING_MASK);
    }

    // Near the end of the buffer or of the member: the operation itself.
    [[gnu::always_inline]] uint16_t decode_slowly(BitCursor& bits) {
        lz5_flags = flags;
        lz5_flags_left = flags_left;
        uint16_t code = bits.call(decode_char_lz5);
        flags = lz5_flags;
        flags_left = lz5_flags_left;
        match = static_cast<uint32_t>(match_position);
        return code;
    }
};

}  // namespace

void start_lzs(MethodContext* context) {
    start_bits(context);
}

void start_lz5(MethodContext* context) {
    lz5_flags_left = 0;
    uint8_t* ring = context->dictionary;
    for (uint32_t i = 0; i < LZ5_RING_START; ++i) *ring++ = 0;
    for (int value = 0; value < BYTE_VALUES; ++value)
        for (int i = 0; i < LZ5_RUN_LENGTH; ++i) *ring++ = static_cast<uint8_t>(value);
    for (int value = 0; value < BYTE_VALUES; ++value) *ring++ = static_cast<uint8_t>(value);
    for (int value = BYTE_VALUES - 1; value >= 0; --value) *ring++ = static_cast<uint8_t>(value);
    for (int i = 0; i < LZ5_ZERO_BYTES; ++i) *ring++ = 0;
    uint8_t* ring_end = context->dictionary + LZ5_RING_MASK + 1;
    while (ring < ring_end) *ring++ = SPACE;
}

uint16_t decode_char_lz5(MethodContext* context) {
    if (lz5_flags_left == 0) {
        lz5_flags = next_member_byte(context);
        lz5_flags_left = LZ5_ITEMS_PER_FLAG;
    }
    --lz5_flags_left;
    uint16_t result = next_member_byte(context);
    if ((lz5_flags & 1) == 0) {
        match_position = result;
        uint8_t high = next_member_byte(context);
        match_position += (high & LZ5_POSITION_HIGH) << LZ5_POSITION_HIGH_SHIFT;
        result = static_cast<uint16_t>(FIRST_MATCH_CODE + (high & LZ5_LENGTH_MASK));
    }
    lz5_flags >>= 1;
    return result;
}

bool loop_lzs(OutputBuffer& output, MethodContext* context, uint16_t match_bias) {
    LzsCodes codes = {0};
    return decode_loop(output, codes, context, match_bias);
}

bool loop_lz5(OutputBuffer& output, MethodContext* context, uint16_t match_bias) {
    Lz5Codes codes = {lz5_flags, lz5_flags_left, 0};
    bool done = decode_loop(output, codes, context, match_bias);
    lz5_flags = codes.flags;
    lz5_flags_left = codes.flags_left;
    return done;
}

}  // namespace HUFFMAN
