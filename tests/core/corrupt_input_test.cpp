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
#include "support/files.h"
#include "support/message_recorder.h"

namespace {

// Members claiming more than this are skipped: decoding time grows with the
// claimed size, which a flipped size field can make 4 GiB.
constexpr uint32_t LARGEST_DECODED = 4u << 20;
constexpr int MEMBERS_PER_ARCHIVE_LIMIT = 10000;

#ifdef _WIN32
const wchar_t NULL_DEVICE[] = L"NUL";
#else
const wchar_t NULL_DEVICE[] = L"/dev/null";
#endif

struct Outcome {
    int members = 0;
    int damaged = 0;
};

// Walks the whole archive like the extraction worker.
Outcome walk(const TempDir& dir, const Bytes& archive_bytes) {
    write_file(dir / L"damaged.lzh", archive_bytes);
    CSfxApp app;
    app.archive.reset(new CWinFile);
    app.archive->open((dir / L"damaged.lzh").c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    Outcome outcome;
    scan_total_size(*app.archive);
    CMemberHeader member;
    while (read_member_header(*app.archive, nullptr, member) == HeaderRead::member) {
        if (++outcome.members > MEMBERS_PER_ARCHIVE_LIMIT) break;
        int64_t data_start = app.archive->seek(0, FILE_CURRENT);
        int index = method_index(member);
        if (index >= 0 && index != HUFFMAN::METHOD_LHD && member.original_size <= LARGEST_DECODED) {
            CWinFile output;
            output.open(NULL_DEVICE, GENERIC_WRITE, 0, OPEN_EXISTING);
            try {
                HUFFMAN::expand_member(app, output, member.original_size, member.packed_size,
                                       L"member", index);
            } catch (HUFFMAN::HufError) {
                ++outcome.damaged;
            }
        }
        app.archive->seek(data_start + static_cast<int64_t>(member.packed_size), FILE_BEGIN);
    }
    return outcome;
}

// The first few members of a corpus archive, closed by the end byte.
Bytes small_archive(const std::wstring& path, int members) {
    Bytes whole = read_file(path);
    TempDir dir;
    write_file(dir / L"whole.lzh", whole);
    CWinFile file;
    file.open((dir / L"whole.lzh").c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    CMemberHeader member;
    int64_t end = 0;
    for (int i = 0; i < members && read_member_header(file, nullptr, member) == HeaderRead::member; ++i) {
        end = file.seek(0, FILE_CURRENT) + member.packed_size;
        file.seek(end, FILE_BEGIN);
    }
    Bytes small(whole.begin(), whole.begin() + end);
    small.push_back(0);
    return small;
}

const wchar_t* const SAMPLES[] = {L"lh5-l1.lzh", L"lh7-l2.lzh", L"lh6-l0.lzh", L"lh4-l2.lzh",
                                  L"lh1-l1.lzh", L"lh2-l2.lzh", L"lh3-l0.lzh", L"lzs-l1.lzh",
                                  L"lz5-l2.lzh", L"mixed-l2.lzh"};

}  // namespace

TEST(CorruptInput, EveryTruncationOfSmallArchivesEndsCleanly) {
    MessageRecorder quiet;
    HUFFMAN::build_crc16_table();
    std::wstring corpus = path_from_environment("VORNSFX_CORPUS");
    TempDir dir;
    int cuts = 0;
    for (const wchar_t* sample : {L"lh5-l1.lzh", L"lh1-l2.lzh", L"lh3-l0.lzh", L"lz5-l1.lzh"}) {
        Bytes archive = small_archive(corpus + L"/" + sample, 5);
        ASSERT_GT(archive.size(), 100u);
        for (size_t cut = 0; cut < archive.size(); ++cut, ++cuts)
            walk(dir, Bytes(archive.begin(), archive.begin() + static_cast<ptrdiff_t>(cut)));
    }
    std::printf("corrupt input: %d truncations walked\n", cuts);
}

TEST(CorruptInput, SeededBitFlipsNeverCrashOrHang) {
    MessageRecorder quiet;
    HUFFMAN::build_crc16_table();
    std::wstring corpus = path_from_environment("VORNSFX_CORPUS");
    TempDir dir;
    std::mt19937 random(0x5EED);
    Outcome total;
    int tried = 0;
    for (const wchar_t* sample : SAMPLES) {
        Bytes archive = small_archive(corpus + L"/" + sample, 8);
        for (int round = 0; round < 300; ++round, ++tried) {
            Bytes damaged = archive;
            int flips = 1 + static_cast<int>(random() % 3);
            for (int f = 0; f < flips; ++f)
                damaged[random() % damaged.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
            Outcome outcome = walk(dir, damaged);
            total.members += outcome.members;
            total.damaged += outcome.damaged;
        }
    }
    std::printf("corrupt input: %d flipped archives, %d members walked, %d reported damaged\n",
                tried, total.members, total.damaged);
}
