#include "engine_runner.h"

#include <gtest/gtest.h>

#include "Sfx/sfx_app.h"
#include "huffman/huffman.h"

Expanded expand_at(CSfxApp& app, uint32_t original_size, uint32_t packed_size, int method_index,
                   const std::wstring& output_path) {
    Expanded result;
    {
        CWinFile output;
        output.open(output_path.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS);
        HUFFMAN::build_crc16_table();
        try {
            result.crc = HUFFMAN::expand_member(app, output, original_size, packed_size,
                                                L"member", method_index);
        } catch (HUFFMAN::HufError) {
            result.damaged = true;
        }
    }
    result.output = read_file(output_path);
    return result;
}

Expanded expand_bytes(const Bytes& bytes, int method_index, uint32_t original_size,
                      int64_t packed_size, size_t data_at) {
    TempDir dir;
    write_file(dir / L"archive.lzh", bytes);
    CSfxApp app;
    app.archive.reset(new CWinFile);
    app.archive->open((dir / L"archive.lzh").c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    app.archive->seek(static_cast<int64_t>(data_at), FILE_BEGIN);
    const int64_t packed =
        packed_size < 0 ? static_cast<int64_t>(bytes.size() - data_at) : packed_size;
    return expand_at(app, original_size, static_cast<uint32_t>(packed), method_index,
                     dir / L"member.out");
}

void expect_expanded(const Expanded& result, const Bytes& want) {
    EXPECT_FALSE(result.damaged);
    EXPECT_TRUE(result.output == want) << "decoded bytes differ";
    EXPECT_EQ(result.crc, reference_crc16(want));
}

void expect_decodes_to(const Bytes& compressed, int method_index, const Bytes& want) {
    expect_expanded(expand_bytes(compressed, method_index, static_cast<uint32_t>(want.size())), want);
}

void copy_match(Bytes& out, size_t distance, int length, size_t ring) {
    distance = (distance - 1) % ring + 1;
    for (int i = 0; i < length; ++i)
        out.push_back(out.size() >= distance ? out[out.size() - distance] : ' ');
}

uint16_t reference_crc16(const Bytes& bytes) {
    uint16_t crc = 0;
    for (uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}
