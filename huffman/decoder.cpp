// The engine's entry and its sliding-dictionary decoder.
//
// Stored members are copied in chunks. Compressed members are decoded from
// the codes their method's operations deliver: a literal byte is stored, a
// match copies earlier output. The loop (decode_loop.h) is compiled once per
// family of methods with the family's operations inlined; methods without a
// family of their own run it over the operations of DECODE_METHODS. Output
// collects in a buffer of OUTPUT_ROOM bytes behind the dictionary's worth of
// history and is written out, its CRC kept, one full buffer at a time;
// progress is still reported once per full dictionary.
#include <algorithm>
#include <cstring>
#include <new>

#include "Sfx/messages.h"
#include "Sfx/report.h"
#include "Sfx/run_state.h"
#include "Sfx/sfx_app.h"
#include "bit_input.h"
#include "decode_loop.h"
#include "engine.h"
#include "engine_buffers.h"

namespace HUFFMAN {

// The families with a loop of their own decode their codes inline
// (dynamic_huffman.cpp, lzss.cpp, static_huffman.cpp); their entries keep
// only what that loop calls.
const DecodeMethod DECODE_METHODS[COMPRESSING_METHODS] = {
    {nullptr, decode_position_static, start_lh1},                   // -lh1-
    {nullptr, decode_position_adaptive, start_lh2},                 // -lh2-
    {decode_char_lh3, decode_position_static, start_lh3},           // -lh3-
    {nullptr, nullptr, start_blocks},                               // -lh4-
    {nullptr, nullptr, start_blocks},                               // -lh5-
    {nullptr, nullptr, start_blocks},                               // -lh6-
    {nullptr, nullptr, start_blocks},                               // -lh7-
    {nullptr, nullptr, start_lzs},                                  // -lzs-
    {nullptr, nullptr, start_lz5},                                  // -lz5-
};

int64_t decoded_count;

namespace {

constexpr uint32_t COPY_CHUNK = 2048;
// New output collects up to this much before it is written out in one piece.
constexpr uint32_t OUTPUT_ROOM = 256u << 10;
// Behind the room: the longest match (-lh2- and -lh3- escapes: 287 bytes)
// started just before its end, and the 8-byte words a match copy may write
// past its last byte.
constexpr uint32_t OUTPUT_SLACK = 512;
constexpr uint8_t DICTIONARY_FILL = 0x20;  // the ring starts as spaces
constexpr uint16_t MATCH_BIAS = 253;       // code 256 is a match of 3 bytes
constexpr uint16_t LZS_MATCH_BIAS = 254;   // -lzs- matches start at 2 bytes

// Dictionary bits per method index ("-lh0-" .. "-lz4-"); stored methods have none.
constexpr int DICTIONARY_BITS[] = {0, 12, 13, 13, 12, 13, 15, 16, 11, 12, 0};

uint16_t stored_crc;

struct Decoder {
    HWND window;  // owner of the disk-full message
    uint32_t dictionary_size;
    CWinFile* input;
    CWinFile* output;
    int64_t original_size;
    int64_t compressed_size;
    int dictionary_bits;
    int method_index;
    uint8_t* dictionary;
    uint16_t crc;
    int64_t written;  // bytes handed to the output so far
};

// Writes out count bytes of output, never more than the member's original
// size in all: a damaged stream whose last match runs past the end must not
// make the file longer than the archive says it is.
void write_output(Decoder& decoder, const uint8_t* data, uint32_t count) {
    int64_t room = decoder.original_size - decoder.written;
    if (room <= 0) return;
    if (count > room) count = static_cast<uint32_t>(room);
    update_crc16(decoder.crc, data, count);
    decoder.written += count;
    if (!decoder.output->write(data, count)) fatal_error(decoder.window, TEXT_DISK_WRITE_FAILED);
}

// The methods' operations as they stand in DECODE_METHODS, for the methods
// without a family of their own: each is called out of line on the
// process-wide reader, and the position operations see the driver's
// progress in decoded_count.
struct TableOperations {
    MethodContext* context;

    uint16_t decode_char(BitCursor& bits) { return bits.call(context->decode_char); }
    uint16_t decode_position(BitCursor& bits, int64_t produced) {
        decoded_count = produced;
        return bits.call(context->decode_position);
    }
};

bool loop_operations(OutputBuffer& output, MethodContext* context, uint16_t match_bias) {
    TableOperations codes = {context};
    return decode_loop(output, codes, context, match_bias);
}

// Per method index minus 1: the loop that decodes it.
using DecodeLoop = bool (*)(OutputBuffer& output, MethodContext* context, uint16_t match_bias);
const DecodeLoop DECODE_LOOPS[COMPRESSING_METHODS] = {
    loop_adaptive,   loop_adaptive,   loop_operations,  // -lh1- .. -lh3-
    loop_blocks,     loop_blocks,     loop_blocks,     loop_blocks,  // -lh4- .. -lh7-
    loop_lzs,        loop_lz5,
};

// The member's compressed bytes that the archive really holds. A damaged
// header may claim up to 4 GiB; past the file's end the stream reads as zeros
// either way, and counting only what is there keeps the input buffer within
// the file and spares the bit reader a failing read for every byte it takes.
int64_t readable_size(CWinFile& input, uint32_t compressed_size) {
    const int64_t position = input.seek(0, FILE_CURRENT);
    const int64_t left = position < 0 || position > input.size() ? 0 : input.size() - position;
    return left < compressed_size ? left : compressed_size;
}

// Fills the input buffer with the member's first compressed bytes.
void prepare_input(CWinFile* input, int64_t compressed_size) {
    use_input_buffer(static_cast<uint64_t>(compressed_size));
    padding_taken = 0;
    const int32_t got = input_buffer_size > 0
                            ? input->read(input_buffer, static_cast<uint32_t>(input_buffer_size))
                            : 0;
    input_filled = got > 0 ? static_cast<uint64_t>(got) : 0;
}

// Sets the mark at the nearest of the next progress report, the member's
// end and the end of the buffer's room.
void place_mark(OutputBuffer& output) {
    int64_t due = std::min(output.next_report, output.original_size) - output.flushed;
    output.mark = std::min(output.fresh + due, output.room_end);
}

uint16_t decode_member(Decoder& decoder) {
    const uint32_t history = decoder.dictionary_size;
    // A member shorter than the room needs no more room than its own size:
    // a run of small members never grows the kept buffer to the full room.
    const uint32_t room = static_cast<uint32_t>(
        std::min<int64_t>(OUTPUT_ROOM, std::max<int64_t>(decoder.original_size, 0)));
    uint8_t* const buffer = output_buffer(size_t{history} + room + OUTPUT_SLACK);
    std::memset(buffer, DICTIONARY_FILL, history);
    decoder.dictionary = buffer;

    const DecodeMethod& method = DECODE_METHODS[decoder.method_index - 1];
    MethodContext context = {method.decode_char, method.decode_position, method.start,
                             decoder.dictionary, decoder.input, decoder.output,
                             decoder.dictionary_bits, decoder.original_size,
                             decoder.compressed_size};
    prepare_input(decoder.input, decoder.compressed_size);
    context.start(&context);
    if (decoder.original_size <= 0) return decoder.crc;

    OutputBuffer output = {};
    output.buffer = buffer;
    output.dictionary_size = history;
    output.fresh = buffer + history;
    output.original_size = decoder.original_size;
    output.next_report = history;
    output.room_end = output.fresh + room;
    output.owner = &decoder;
    place_mark(output);

    const uint16_t bias = decoder.method_index == METHOD_LZS ? LZS_MATCH_BIAS : MATCH_BIAS;
    if (!DECODE_LOOPS[decoder.method_index - 1](output, &context, bias)) return 0;
    write_output(decoder, output.fresh, static_cast<uint32_t>(output.end - output.fresh));
    return decoder.crc;
}

// Copies a stored member; stops early when a read comes up short or the user
// aborts (the CRC tells the caller). A failed write ends the process like one
// of decoded output: it is the disk, not the archive, that failed.
void copy_stored(CSfxApp& app, CWinFile& output, uint32_t total) {
    if (!output.is_open()) return;
    uint8_t buffer[COPY_CHUNK] = {};
    stored_crc = 0;
    while (total > 0) {
        uint32_t n = total < COPY_CHUNK ? total : COPY_CHUNK;
        if (app.archive->read(buffer, n) < static_cast<int32_t>(n)) return;
        if (!output.write(buffer, n)) fatal_error(app.main_window, TEXT_DISK_WRITE_FAILED);
        update_crc16(stored_crc, buffer, n);
        total -= n;
        report_progress(n);
        if (user_aborted()) return;
    }
}

}  // namespace

uint8_t* OutputBuffer::reach_mark(uint8_t* out) {
    const int64_t produced = flushed + (out - fresh);
    for (; produced >= next_report; next_report += dictionary_size) report_progress(dictionary_size);
    if (produced >= original_size) {
        end = out;
        return nullptr;
    }
    if (out >= room_end) {
        write_output(*static_cast<Decoder*>(owner), fresh, static_cast<uint32_t>(out - fresh));
        flushed = produced;
        std::memmove(buffer, out - dictionary_size, dictionary_size);
        out = fresh;
    }
    place_mark(*this);
    return out;
}

uint16_t expand_member(CSfxApp& app, CWinFile& output, uint32_t original_size,
                       uint32_t compressed_size, const wchar_t* output_name, int method_index) {
    stored_crc = 0;
    app.current_output = output_name;
    if (method_index == METHOD_LH0 || method_index == METHOD_LZ4) {
        // A short read shows as a CRC mismatch to the caller.
        copy_stored(app, output, original_size);
        return stored_crc;
    }
    // Directories and unknown methods have no operations to decode with.
    if (method_index <= METHOD_LH0 || method_index >= METHOD_LZ4) return 0;
    int bits = DICTIONARY_BITS[method_index];
    const int64_t readable = readable_size(*app.archive, compressed_size);
    Decoder decoder = {app.main_window,  uint32_t{1} << bits, app.archive.get(), &output,
                       original_size,    readable,            bits,              method_index,
                       nullptr,          0,                   0};
    return decode_member(decoder);
}

}  // namespace HUFFMAN
