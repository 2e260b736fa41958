// The engine's entry and its sliding-dictionary decoder.
//
// Stored members are copied in chunks. Compressed members are decoded into a
// ring buffer (the dictionary) from the codes their method's operations
// deliver: a literal byte is stored, a match copies earlier output; each time
// the ring is full it is written out, so output is written one dictionary at
// a time and the CRC is kept over the same blocks.
#include <cstring>
#include <memory>
#include <new>

#include "Sfx/messages.h"
#include "Sfx/report.h"
#include "Sfx/run_state.h"
#include "Sfx/sfx_app.h"
#include "bit_input.h"
#include "engine.h"
#include "memory.h"

namespace HUFFMAN {

const DecodeMethod DECODE_METHODS[COMPRESSING_METHODS] = {
    {decode_char_adaptive, decode_position_static, start_lh1},      // -lh1-
    {decode_char_adaptive, decode_position_adaptive, start_lh2},    // -lh2-
    {decode_char_lh3, decode_position_static, start_lh3},           // -lh3-
    {decode_char_blocks, decode_position_blocks, start_blocks},     // -lh4-
    {decode_char_blocks, decode_position_blocks, start_blocks},     // -lh5-
    {decode_char_blocks, decode_position_blocks, start_blocks},     // -lh6-
    {decode_char_blocks, decode_position_blocks, start_blocks},     // -lh7-
    {decode_char_lzs, decode_position_lzs, start_lzs},              // -lzs-
    {decode_char_lz5, decode_position_lz5, start_lz5},              // -lz5-
};

int64_t decoded_count = 0;
uint32_t dict_position = 0;

namespace {

constexpr uint32_t COPY_CHUNK = 2048;
constexpr uint8_t DICTIONARY_FILL = 0x20;  // the ring starts as spaces
constexpr uint16_t LITERAL_LIMIT = 255;
constexpr uint16_t MATCH_BIAS = 253;       // code 256 is a match of 3 bytes
constexpr uint16_t LZS_MATCH_BIAS = 254;   // -lzs- matches start at 2 bytes
// The input buffer holds a whole compressed member when it can; a larger one
// is read in pieces of this size, so no member needs all of it in memory.
constexpr uint64_t INPUT_BUFFER_LIMIT = uint64_t{256} << 20;

// Dictionary bits per method index ("-lh0-" .. "-lz4-"); stored methods have none.
constexpr int DICTIONARY_BITS[] = {0, 12, 13, 13, 12, 13, 15, 16, 11, 12, 0};

uint16_t stored_crc = 0;

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

// Frees the input buffer whichever way a member's decoding ends.
struct InputBufferOwner {
    ~InputBufferOwner() {
        delete[] input_buffer;
        input_buffer = nullptr;
        input_buffer_size = input_filled = input_position = 0;
    }
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

// The ring is full: report it and write it out.
void flush_dictionary(Decoder& decoder) {
    report_progress(decoder.dictionary_size);
    write_output(decoder, decoder.dictionary, decoder.dictionary_size);
    dict_position = 0;
}

inline void put_byte(Decoder& decoder, uint8_t byte) {
    decoder.dictionary[dict_position] = byte;
    if (++dict_position == decoder.dictionary_size) flush_dictionary(decoder);
}

// Copies length bytes from distance bytes back. Byte by byte that repeats
// the bytes a short distance writes; whole blocks are moved where the copy
// neither wraps the ring nor reads what it writes.
void copy_match(Decoder& decoder, uint32_t distance, uint32_t length) {
    const uint32_t mask = decoder.dictionary_size - 1;
    uint32_t source = (dict_position - distance) & mask;
    uint8_t* ring = decoder.dictionary;
    bool no_wrap = dict_position + length < decoder.dictionary_size &&
                   source + length <= decoder.dictionary_size;
    if (no_wrap && (source > dict_position || dict_position - source >= length)) {
        // A source ahead of the target is read before it is overwritten.
        std::memmove(ring + dict_position, ring + source, length);
        dict_position += length;
        return;
    }
    for (uint32_t i = 0; i < length; ++i) put_byte(decoder, ring[(source + i) & mask]);
}

void prepare_input(CWinFile* input, int64_t compressed_size) {
    uint64_t size = static_cast<uint64_t>(compressed_size);
    uint64_t free_memory = available_physical_memory();
    if (free_memory != 0 && free_memory < size) size = free_memory;
    if (size > INPUT_BUFFER_LIMIT) size = INPUT_BUFFER_LIMIT;
    // Under memory pressure a smaller buffer only means more refills.
    while ((input_buffer = new (std::nothrow) uint8_t[size]) == nullptr) size /= 2;
    input_buffer_size = size;
    input_position = 0;
    int32_t got = size > 0 ? input->read(input_buffer, static_cast<uint32_t>(size)) : 0;
    input_filled = got > 0 ? static_cast<uint64_t>(got) : 0;
}

uint16_t decode_member(Decoder& decoder) {
    std::unique_ptr<uint8_t[]> dictionary(new uint8_t[decoder.dictionary_size]);
    std::memset(dictionary.get(), DICTIONARY_FILL, decoder.dictionary_size);
    decoder.dictionary = dictionary.get();

    const DecodeMethod& method = DECODE_METHODS[decoder.method_index - 1];
    MethodContext context = {method.decode_char, method.decode_position, method.start,
                             decoder.dictionary, decoder.input, decoder.output,
                             decoder.dictionary_bits, decoder.original_size,
                             decoder.compressed_size};
    InputBufferOwner input_owner;
    prepare_input(decoder.input, decoder.compressed_size);
    context.start(&context);

    const uint16_t bias = decoder.method_index == METHOD_LZS ? LZS_MATCH_BIAS : MATCH_BIAS;
    decoded_count = 0;
    dict_position = 0;
    while (decoded_count < decoder.original_size) {
        uint16_t code = context.decode_char(&context);
        if (code <= LITERAL_LIMIT) {
            put_byte(decoder, static_cast<uint8_t>(code));
            ++decoded_count;
        } else {
            uint32_t length = code - bias;
            uint32_t distance = context.decode_position(&context) + 1u;
            decoded_count += length;
            copy_match(decoder, distance, length);
        }
        if (user_aborted()) return 0;
    }
    if (dict_position != 0) write_output(decoder, decoder.dictionary, dict_position);
    return decoder.crc;
}

// Copies a stored member; returns the bytes copied, or 0 when a read came up
// short or the user aborted. A failed write ends the process like one of
// decoded output: it is the disk, not the archive, that failed.
uint32_t copy_stored(CSfxApp& app, CWinFile& output, uint32_t total) {
    if (!output.is_open() || total == 0) return 0;
    uint8_t buffer[COPY_CHUNK] = {};
    stored_crc = 0;
    uint32_t copied = 0;
    while (total > 0) {
        uint32_t n = total < COPY_CHUNK ? total : COPY_CHUNK;
        if (app.archive->read(buffer, n) < static_cast<int32_t>(n)) return 0;
        if (!output.write(buffer, n)) fatal_error(app.main_window, TEXT_DISK_WRITE_FAILED);
        update_crc16(stored_crc, buffer, n);
        copied += n;
        total -= n;
        report_progress(n);
        if (user_aborted()) return 0;
    }
    return copied;
}

}  // namespace

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
    Decoder decoder = {app.main_window,  uint32_t{1} << bits, app.archive.get(), &output,
                       original_size,    compressed_size,     bits,              method_index,
                       nullptr,          0,                   0};
    return decode_member(decoder);
}

}  // namespace HUFFMAN
