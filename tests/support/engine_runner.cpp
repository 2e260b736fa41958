#include "engine_runner.h"

#include "Sfx/sfx_app.h"
#include "huffman/huffman.h"

Expanded expand_bytes(const Bytes& compressed, int method_index, uint32_t original_size,
                      const Bytes& trailing) {
    TempDir dir;
    Bytes archive_bytes = compressed;
    archive_bytes.insert(archive_bytes.end(), trailing.begin(), trailing.end());
    write_file(dir / L"archive.lzh", archive_bytes);

    CSfxApp app;
    app.archive.reset(new CWinFile);
    app.archive->open((dir / L"archive.lzh").c_str(), GENERIC_READ, FILE_SHARE_READ,
                      OPEN_EXISTING);
    std::wstring output_path = dir / L"member.out";
    Expanded result;
    {
        CWinFile output;
        output.open(output_path.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS);
        HUFFMAN::build_crc16_table();
        try {
            result.crc = HUFFMAN::expand_member(app, output, original_size,
                                                static_cast<uint32_t>(compressed.size()),
                                                output_path.c_str(), method_index);
        } catch (HUFFMAN::HufError) {
            result.damaged = true;
        }
    }
    result.output = read_file(output_path);
    return result;
}

uint16_t reference_crc16(const Bytes& bytes) {
    uint16_t crc = 0;
    for (uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}
