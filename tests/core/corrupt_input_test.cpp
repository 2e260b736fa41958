// Damaged archives through the header reader and the engine, the way the
// worker walks them: whatever the bytes, every member ends (decoded, or
// reported damaged) and the walk reaches an end. Run under the sanitizers,
// this also proves that nothing is read or written outside a buffer.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "Sfx/member_header.h"
#include "Sfx/methods.h"
#include "Sfx/sfx_app.h"
#include "huffman/huffman.h"
#include "support/engine_runner.h"
#include "support/message_recorder.h"

namespace {

// Members claiming more than this are skipped: decoding time grows with the
// claimed size, which a flipped size field can make 4 GiB.
constexpr uint32_t LARGEST_DECODED = 4u << 20;
constexpr int MEMBERS_PER_ARCHIVE_LIMIT = 10000;

// Walks the whole archive like the extraction worker; returns the members
// reported damaged.
int walk(const TempDir& dir, const Bytes& archive_bytes) {
    write_file(dir / L"damaged.lzh", archive_bytes);
    CSfxApp app;
    app.archive.reset(new CWinFile);
    app.archive->open((dir / L"damaged.lzh").c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    scan_total_size(*app.archive);
    CMemberHeader member;
    int members = 0, damaged = 0;
    while (read_member_header(*app.archive, nullptr, member) == HeaderRead::member &&
           ++members <= MEMBERS_PER_ARCHIVE_LIMIT) {
        int64_t data_start = app.archive->seek(0, FILE_CURRENT);
        int index = method_index(member);
        if (index >= 0 && index != HUFFMAN::METHOD_LHD && member.original_size <= LARGEST_DECODED)
            damaged += expand_at(app, member.original_size, member.packed_size, index, L"").damaged;
        app.archive->seek(data_start + static_cast<int64_t>(member.packed_size), FILE_BEGIN);
    }
    return damaged;
}

// The first few members of a corpus archive, closed by the end byte.
Bytes small_archive(const wchar_t* name, int members) {
    std::wstring path = path_from_environment("VORNSFX_CORPUS") + L"/" + name;
    CWinFile file;
    file.open(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    CMemberHeader member;
    int64_t end = 0;
    for (int i = 0; i < members && read_member_header(file, nullptr, member) == HeaderRead::member; ++i)
        end = file.seek(file.seek(0, FILE_CURRENT) + member.packed_size, FILE_BEGIN);
    Bytes whole = read_file(path);
    Bytes small(whole.begin(), whole.begin() + end);
    small.push_back(0);
    return small;
}

}  // namespace

TEST(CorruptInput, EveryTruncationOfSmallArchivesEndsCleanly) {
    MessageRecorder quiet;
    TempDir dir;
    for (const wchar_t* sample : {L"lh5-l1.lzh", L"lh1-l2.lzh", L"lh3-l0.lzh", L"lz5-l1.lzh"}) {
        Bytes archive = small_archive(sample, 5);
        ASSERT_GT(archive.size(), 100u);
        for (size_t cut = 0; cut < archive.size(); ++cut)
            walk(dir, Bytes(archive.begin(), archive.begin() + static_cast<ptrdiff_t>(cut)));
    }
}

TEST(CorruptInput, SeededBitFlipsNeverCrashOrHang) {
    MessageRecorder quiet;
    TempDir dir;
    std::mt19937 random(0x5EED);
    int damaged = 0;
    for (const wchar_t* sample : {L"lh5-l1.lzh", L"lh7-l2.lzh", L"lh6-l0.lzh", L"lh4-l2.lzh",
                                  L"lh1-l1.lzh", L"lh2-l2.lzh", L"lh3-l0.lzh", L"lzs-l1.lzh",
                                  L"lz5-l2.lzh", L"mixed-l2.lzh"}) {
        Bytes archive = small_archive(sample, 8);
        for (int round = 0; round < 300; ++round) {
            Bytes flipped = archive;
            for (int f = 1 + static_cast<int>(random() % 3); f > 0; --f)
                flipped[random() % flipped.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
            damaged += walk(dir, flipped);
        }
    }
    std::printf("corrupt input: 3000 flipped archives, %d members reported damaged\n", damaged);
}
