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
// The input buffer holds a whole compressed member when it is small; a larger
// one is read in pieces of this size. One buffer that stays in the cache and
// is reused, instead of one as large as the member, spares a page fault for
// every 4 KiB of input (a third faster on a 10 MB member) and keeps memory
// flat, whatever the member's size.
constexpr uint64_t INPUT_BUFFER_LIMIT = uint64_t{256} << 10;

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
}

// Stores one byte at position and returns the next position; a full ring is
// written out and starts again at 0.
inline uint32_t put_byte(Decoder& decoder, uint32_t position, uint8_t byte) {
    decoder.dictionary[position] = byte;
    if (++position != decoder.dictionary_size) return position;
    flush_dictionary(decoder);
    return 0;
}

// Copies length bytes from distance bytes back and returns the next position.
// Byte by byte that repeats the bytes a short distance writes; whole blocks
// are moved where the copy neither wraps the ring nor reads what it writes.
inline uint32_t copy_match(Decoder& decoder, uint32_t position, uint32_t distance,
                           uint32_t length) {
    const uint32_t mask = decoder.dictionary_size - 1;
    uint32_t source = (position - distance) & mask;
    uint8_t* ring = decoder.dictionary;
    bool no_wrap = position + length < decoder.dictionary_size &&
                   source + length <= decoder.dictionary_size;
    if (no_wrap && (source > position || position - source >= length)) {
        // A source ahead of the target is read before it is overwritten.
        std::memmove(ring + position, ring + source, length);
        return position + length;
    }
    for (uint32_t i = 0; i < length; ++i)
        position = put_byte(decoder, position, ring[(source + i) & mask]);
    return position;
}

// The member's compressed bytes that the archive really holds. A damaged
// header may claim up to 4 GiB; past the file's end the stream reads as zeros
// either way, and counting only what is there keeps the input buffer within
// the file and spares the bit reader a failing read for every byte it takes.
int64_t readable_size(CWinFile& input, uint32_t compressed_size) {
    const int64_t position = input.seek(0, FILE_CURRENT);
    const int64_t left = position < 0 || position > input.size() ? 0 : input.size() - position;
    return left < compressed_size ? left : compressed_size;
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
    padding_taken = 0;
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
    // The loop keeps its progress in locals and hands it to the position
    // operations, the only ones that read it, right before they run.
    uint32_t position = 0;
    int64_t produced = 0;
    while (produced < decoder.original_size) {
        uint16_t code = context.decode_char(&context);
        if (code <= LITERAL_LIMIT) {
            position = put_byte(decoder, position, static_cast<uint8_t>(code));
            ++produced;
        } else {
            uint32_t length = code - bias;
            dict_position = position;
            decoded_count = produced;
            uint32_t distance = context.decode_position(&context) + 1u;
            produced += length;
            position = copy_match(decoder, position, distance, length);
        }
        if (user_aborted()) return 0;
    }
    dict_position = position;
    decoded_count = produced;
    if (position != 0) write_output(decoder, decoder.dictionary, position);
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
    const int64_t readable = readable_size(*app.archive, compressed_size);
    Decoder decoder = {app.main_window,  uint32_t{1} << bits, app.archive.get(), &output,
                       original_size,    readable,            bits,              method_index,
                       nullptr,          0,                   0};
    return decode_member(decoder);
}

}  // namespace HUFFMAN
