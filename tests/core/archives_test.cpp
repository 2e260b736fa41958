// Whole archives through the header reader and the engine, the way the
// stub walks them. Every member of the interop corpus must equal what the
// independent decoder extracted and match its header's CRC-16. Damaged
// archives, whatever their bytes, end every member (decoded, or reported
// damaged) and the walk; under the sanitizers this also proves that nothing
// is read or written outside a buffer.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <random>
#include <string>

#include "Sfx/member_header.h"
#include "Sfx/methods.h"
#include "Sfx/sfx_app.h"
#include "huffman/huffman.h"
#include "support/corpus.h"
#include "support/engine_runner.h"
#include "support/message_recorder.h"
#include "text/utf8.h"

namespace {

// Members claiming more than this are not decoded: decoding time grows with
// the claimed size, which a flipped size field can make 4 GiB.
constexpr uint32_t LARGEST_DECODED = 4u << 20;
constexpr int MEMBERS_PER_ARCHIVE_LIMIT = 10000;

// Walks the archive at path like the extraction worker: each member's
// header, visit with the file at the member's data, then on past the data.
// Returns what ended the walk.
HeaderRead walk(const std::wstring& path,
                const std::function<void(CSfxApp&, const CMemberHeader&)>& visit,
                int limit = MEMBERS_PER_ARCHIVE_LIMIT) {
    CSfxApp app;
    app.archive.reset(new CWinFile);
    app.archive->open(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    scan_total_size(*app.archive);
    CMemberHeader member;
    HeaderRead read = HeaderRead::member;
    for (int n = 0; n < limit && (read = read_member_header(*app.archive, nullptr, member)) ==
                                     HeaderRead::member; ++n) {
        const int64_t data_start = app.archive->seek(0, FILE_CURRENT);
        visit(app, member);
        app.archive->seek(data_start + static_cast<int64_t>(member.packed_size), FILE_BEGIN);
    }
    return read;
}

void check_corpus(const std::wstring& folder) {
    const auto archives = read_corpus(folder);
    ASSERT_FALSE(archives.empty()) << "no manifest in the corpus folder";
    TempDir out;
    for (const auto& members : archives) {
        SCOPED_TRACE(members.front().archive);
        size_t next = 0;
        auto check = [&](CSfxApp& app, const CMemberHeader& member) {
            ASSERT_LT(next, members.size());
            const CorpusMember& entry = members[next++];
            SCOPED_TRACE(entry.name);
            CWideSz path(member.path);
            path.replace_separators(L'/');
            EXPECT_EQ(utf16_to_utf8(path.c_str(), path.length()), entry.name);
            EXPECT_EQ(std::string(member.method, METHOD_ID_LENGTH), entry.method);
            EXPECT_EQ(member.level, entry.level);
            EXPECT_EQ(member.original_size, entry.original_size);
            if (entry.folder()) {
                EXPECT_EQ(method_index(member), HUFFMAN::METHOD_LHD);
                return;
            }
            Expanded got = expand_at(app, member.original_size, member.packed_size,
                                     method_index(member), out / L"member.out");
            Bytes expected = read_file(folder + L"/" + utf8_to_utf16(entry.expected));
            EXPECT_EQ(expected.size(), entry.original_size);
            expect_expanded(got, expected);
            EXPECT_EQ(member.has_crc, 1);
            EXPECT_EQ(got.crc, member.crc);
        };
        EXPECT_EQ(walk(folder + L"/" + utf8_to_utf16(members.front().archive), check),
                  HeaderRead::end);
        EXPECT_EQ(next, members.size());
    }
}

// Walks archive_bytes, decoding what may be decoded; returns the members
// reported damaged.
int walk_damaged(const TempDir& dir, const Bytes& archive_bytes) {
    write_file(dir / L"damaged.lzh", archive_bytes);
    int damaged = 0;
    walk(dir / L"damaged.lzh", [&](CSfxApp& app, const CMemberHeader& member) {
        int index = method_index(member);
        if (index >= 0 && index != HUFFMAN::METHOD_LHD && member.original_size <= LARGEST_DECODED)
            damaged += expand_at(app, member.original_size, member.packed_size, index, L"").damaged;
    });
    return damaged;
}

// The first few members of a corpus archive, closed by the end byte.
Bytes small_archive(const wchar_t* name, int members) {
    std::wstring path = path_from_environment("VORNSFX_CORPUS") + L"/" + name;
    int64_t end = 0;
    walk(path, [&](CSfxApp& app, const CMemberHeader& member) {
        end = app.archive->seek(0, FILE_CURRENT) + member.packed_size;
    }, members);
    Bytes small = read_file(path);
    small.resize(static_cast<size_t>(end));
    small.push_back(0);
    return small;
}

}  // namespace

TEST(Corpus, CommittedArchivesDecodeLikeTheIndependentDecoder) {
    check_corpus(path_from_environment("VORNSFX_CORPUS"));
}

TEST(Corpus, LargeArchivesDecodeLikeTheIndependentDecoder) {
    if (!std::getenv("VORNSFX_LARGE_CORPUS")) GTEST_SKIP() << "VORNSFX_LARGE_CORPUS not set";
    std::wstring folder = path_from_environment("VORNSFX_LARGE_CORPUS");
    if (!exists(folder + L"/manifest.tsv"))
        GTEST_SKIP() << "large corpus not generated (tests/corpus/make-corpus FOLDER --large)";
    check_corpus(folder);
}

// Every truncation of a few members of the first four, and seeded flips of
// one to three bits in the first members of each.
TEST(CorruptInput, TruncatedAndBitFlippedArchivesEndCleanly) {
    MessageRecorder quiet;
    TempDir dir;
    std::mt19937 random(0x5EED);
    int damaged = 0, truncated = 4;
    for (const wchar_t* sample : {L"lh5-l1.lzh", L"lh1-l2.lzh", L"lh3-l0.lzh", L"lz5-l1.lzh",
                                  L"lh7-l2.lzh", L"lh6-l0.lzh", L"lh4-l2.lzh", L"lh2-l2.lzh",
                                  L"lzs-l1.lzh", L"mixed-l2.lzh"}) {
        Bytes archive = small_archive(sample, 5);
        ASSERT_GT(archive.size(), 100u);
        for (size_t cut = 0; truncated > 0 && cut < archive.size(); ++cut)
            walk_damaged(dir, Bytes(archive.begin(), archive.begin() + static_cast<ptrdiff_t>(cut)));
        --truncated;
        for (int round = 0; round < 300; ++round) {
            Bytes flipped = archive;
            for (int f = 1 + static_cast<int>(random() % 3); f > 0; --f)
                flipped[random() % flipped.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
            damaged += walk_damaged(dir, flipped);
        }
    }
    std::printf("corrupt input: 3000 flipped archives, %d members reported damaged\n", damaged);
}
