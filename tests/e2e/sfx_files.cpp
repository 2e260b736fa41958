#include "sfx_files.h"

#include <gtest/gtest.h>

#include "Sfx/config_writer.h"
#include "support/block_writer.h"
#include "support/engine_runner.h"
#include "support/header_writer.h"

namespace {

// -lh5-: 14 position symbols; the character symbol of a 256-byte match.
constexpr int LH5_POSITION_SYMBOLS = 14;
constexpr int LONGEST_MATCH = 256;
constexpr int LONGEST_MATCH_SYMBOL = 253 + LONGEST_MATCH;
constexpr uint32_t CODES_PER_BLOCK = 0xFFFF;  // a block's code count is 16 bits
constexpr uint16_t CRC_DAMAGE = 0x5A5A;

}  // namespace

Bytes stub_image() {
    Bytes image = read_file(path_from_environment("VORNSFX_STUB"));
    EXPECT_EQ(image.size(), static_cast<size_t>(PAYLOAD_OFFSET)) << "stub image size";
    return image;
}

Bytes corpus_archive(const std::wstring& file_name) {
    Bytes bytes = read_file(path_from_environment("VORNSFX_CORPUS") + L"\\" + file_name);
    EXPECT_FALSE(bytes.empty()) << "corpus archive missing";
    return bytes;
}

Bytes archive(const std::vector<Bytes>& members, const Bytes& tail) {
    Bytes out;
    for (const Bytes& member : members) out.insert(out.end(), member.begin(), member.end());
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

Bytes stored(const std::string& name, const Bytes& data, bool damaged) {
    HeaderFields fields;
    fields.original_size = static_cast<uint32_t>(data.size());
    fields.crc = reference_crc16(data) ^ (damaged ? CRC_DAMAGE : 0);
    return member_with(fields, name, data);
}

Bytes zeros_lh5(const std::string& name, uint32_t size) {
    EXPECT_EQ((size - 1) % LONGEST_MATCH, 0u) << "size must be 1 + a multiple of 256";
    BlockWriter writer(LH5_POSITION_SYMBOLS);
    // One literal zero, then matches of it at distance 1; constant codes
    // (a single symbol each) are sent without any bits per code.
    writer.block(1, {}, {}, {}, 0, 0);
    writer.literal(0);
    for (uint32_t matches = (size - 1) / LONGEST_MATCH; matches > 0;) {
        uint32_t codes = matches < CODES_PER_BLOCK ? matches : CODES_PER_BLOCK;
        writer.block(static_cast<uint16_t>(codes), {}, {}, {}, LONGEST_MATCH_SYMBOL, 0);
        matches -= codes;
    }
    HeaderFields fields;
    fields.method = "-lh5-";
    fields.original_size = size;
    fields.crc = 0;  // CRC-16/ARC of zero bytes stays 0
    return member_with(fields, name, writer.bytes());
}

Bytes marker_member(const std::string& name) {
    Bytes program = read_file(path_from_environment("VORNSFX_RUN_MARKER"));
    EXPECT_FALSE(program.empty()) << "marker program missing";
    return stored(name, program);
}

Bytes block_bytes(const CConfigBlock& block) {
    Bytes bytes;
    EXPECT_TRUE(encode_config_block(block, bytes));
    return bytes;
}

void write_sfx(const std::wstring& path, const Bytes& block, const Bytes& archive_bytes) {
    write_file(path, concat({stub_image(), block, archive_bytes}));
}
