// The engine on one member of any method. The first input byte is the
// selector: its low four bits pick the method (modulo the 11 methods with
// data), the next three a shift that makes the original size smaller, the top
// bit whether to check the member's boundary (below). The next three bytes
// give the original size, modulo one more than the decode budget of the
// data's length, shifted right by the selector's shift: most inputs then
// decode a few KiB quickly, one in eight the whole budget. The rest is the
// member's data.
//
// Undecodable data may raise HUF_ERROR; anything else is a finding. A member
// that decodes has exactly its original size (compressed methods) or at most
// it (stored, whose copy stops at a short read), and the CRC the engine
// returns is the CRC of what it wrote. With the boundary bit set, the member
// is decoded a second time followed by bytes of a next member: its output
// must not change, since the engine reads nothing of a member past its
// compressed size. Both decodings start from the same code tables: the
// engine keeps them between members, and a damaged member may read entries
// it never wrote.
#include <algorithm>
#include <cstring>
#include <vector>

#include "Sfx/sfx_app.h"
#include "fuzz_support.h"
#include "huffman/code_tables.h"
#include "huffman/huffman.h"

namespace {

// Method indices of the methods that carry data: "-lh0-" to "-lz4-".
constexpr int DATA_METHODS = HUFFMAN::METHOD_LZ4 + 1;
constexpr uint8_t METHOD_BITS = 0x0F;
constexpr int SHIFT_POSITION = 4;
constexpr uint8_t SHIFT_BITS = 0x07;
constexpr uint8_t BOUNDARY_BIT = 0x80;
constexpr size_t SIZE_BYTES = 3;
constexpr size_t PREFIX_BYTES = 1 + SIZE_BYTES;
constexpr uint8_t NEXT_MEMBER_BYTE = 0xA5;
constexpr size_t NEXT_MEMBER_LENGTH = 4096;

struct Result {
    bool damaged = false;
    uint16_t crc = 0;
    std::vector<uint8_t> output;
};

// The engine's code tables, saved and put back between the two decodings.
class TableSnapshot {
public:
    TableSnapshot() {
        std::memcpy(char_lengths_, HUFFMAN::char_lengths, sizeof char_lengths_);
        std::memcpy(char_table_, HUFFMAN::char_table, sizeof char_table_);
        std::memcpy(small_lengths_, HUFFMAN::small_lengths, sizeof small_lengths_);
        std::memcpy(small_table_, HUFFMAN::small_table, sizeof small_table_);
        std::memcpy(left_child_, HUFFMAN::left_child, sizeof left_child_);
        std::memcpy(right_child_, HUFFMAN::right_child, sizeof right_child_);
    }
    void restore() const {
        std::memcpy(HUFFMAN::char_lengths, char_lengths_, sizeof char_lengths_);
        std::memcpy(HUFFMAN::char_table, char_table_, sizeof char_table_);
        std::memcpy(HUFFMAN::small_lengths, small_lengths_, sizeof small_lengths_);
        std::memcpy(HUFFMAN::small_table, small_table_, sizeof small_table_);
        std::memcpy(HUFFMAN::left_child, left_child_, sizeof left_child_);
        std::memcpy(HUFFMAN::right_child, right_child_, sizeof right_child_);
    }

private:
    uint8_t char_lengths_[HUFFMAN::CHAR_SYMBOLS];
    uint16_t char_table_[HUFFMAN::CHAR_TABLE_SIZE];
    uint8_t small_lengths_[HUFFMAN::SMALL_LENGTHS];
    uint16_t small_table_[HUFFMAN::SMALL_TABLE_SIZE];
    uint16_t left_child_[HUFFMAN::TREE_NODES];
    uint16_t right_child_[HUFFMAN::TREE_NODES];
};

bool is_stored(int method) {
    return method == HUFFMAN::METHOD_LH0 || method == HUFFMAN::METHOD_LZ4;
}

Result expand(const std::vector<uint8_t>& archive_bytes, uint32_t compressed_size,
              uint32_t original_size, int method) {
    static MemoryFile archive_file("member");
    static MemoryFile output_file("output");
    archive_file.fill(archive_bytes.data(), archive_bytes.size());
    output_file.fill(nullptr, 0);

    CSfxApp app;
    app.archive.reset(new CWinFile);
    archive_file.open(*app.archive, GENERIC_READ);
    Result result;
    {
        CWinFile output;
        output_file.open(output, GENERIC_WRITE);
        try {
            result.crc = HUFFMAN::expand_member(app, output, original_size, compressed_size,
                                                L"member", method);
        } catch (HUFFMAN::HufError) {
            result.damaged = true;
        }
    }
    result.output = output_file.contents();
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    start_fuzzing();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < PREFIX_BYTES) return -1;  // not a member: keep it out of the corpus
    const int method = (data[0] & METHOD_BITS) % DATA_METHODS;
    const int size_shift = (data[0] >> SHIFT_POSITION) & SHIFT_BITS;
    const bool check_boundary = (data[0] & BOUNDARY_BIT) != 0 && !is_stored(method);
    uint32_t size_field = 0;
    for (size_t i = 0; i < SIZE_BYTES; ++i) size_field |= uint32_t{data[1 + i]} << (8 * i);
    std::vector<uint8_t> member(data + PREFIX_BYTES, data + size);
    const uint32_t compressed_size = static_cast<uint32_t>(member.size());
    const uint64_t largest = std::min<uint64_t>(LARGEST_DECODED, decode_budget(member.size()));
    const uint32_t original_size = static_cast<uint32_t>(size_field % (largest + 1)) >> size_shift;

    const TableSnapshot tables;
    Result alone = expand(member, compressed_size, original_size, method);
    FUZZ_CHECK(alone.output.size() <= original_size);
    if (!alone.damaged && !is_stored(method)) FUZZ_CHECK(alone.output.size() == original_size);
    if (!alone.damaged) {
        uint16_t crc = 0;
        HUFFMAN::update_crc16(crc, alone.output.data(), static_cast<uint32_t>(alone.output.size()));
        FUZZ_CHECK(crc == alone.crc);
    }

    if (check_boundary) {
        std::vector<uint8_t> followed = member;
        followed.insert(followed.end(), NEXT_MEMBER_LENGTH, NEXT_MEMBER_BYTE);
        tables.restore();
        Result beside = expand(followed, compressed_size, original_size, method);
        FUZZ_CHECK(beside.damaged == alone.damaged);
        FUZZ_CHECK(beside.output == alone.output);
        FUZZ_CHECK(beside.crc == alone.crc);
    }
    return 0;
}
