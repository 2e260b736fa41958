// Whole archives through the header reader and the engine, the way the
// stub walks them: every member of the interop corpus must equal what the
// independent decoder extracted and match its header's CRC-16. (Damaged
// archives: the fuzz targets under the sanitizers, and the sweep through the
// stub.)
#include <gtest/gtest.h>

#include <string>

#include "Sfx/member_header.h"
#include "Sfx/methods.h"
#include "Sfx/sfx_app.h"
#include "huffman/huffman.h"
#include "support/corpus.h"
#include "support/engine_runner.h"
#include "text/utf8.h"

namespace {

// Walks each archive like the extraction worker: each member's header, its
// data decoded from there, then on past the data.
void check_corpus(const std::wstring& folder) {
    const auto archives = read_corpus(folder);
    ASSERT_FALSE(archives.empty()) << "no manifest in the corpus folder";
    TempDir out;
    for (const auto& members : archives) {
        SCOPED_TRACE(members.front().archive);
        CSfxApp app;
        app.archive.reset(new CWinFile);
        app.archive->open((folder + L"/" + utf8_to_utf16(members.front().archive)).c_str(),
                          GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
        uint32_t total = 0;  // what the progress bar counts to, read ahead of the walk
        for (const CorpusMember& entry : members) total += static_cast<uint32_t>(entry.original_size);
        EXPECT_EQ(scan_total_size(*app.archive), total);
        CMemberHeader member;
        for (const CorpusMember& entry : members) {
            SCOPED_TRACE(entry.name);
            ASSERT_EQ(read_member_header(*app.archive, nullptr, member), HeaderRead::member);
            CWideSz path(member.path);
            path.replace_separators(L'/');
            EXPECT_EQ(utf16_to_utf8(path.c_str(), path.length()), entry.name);
            EXPECT_EQ(std::string(member.method, METHOD_ID_LENGTH), entry.method);
            EXPECT_EQ(member.level, entry.level);
            EXPECT_EQ(member.original_size, entry.original_size);
            const int64_t data_start = app.archive->seek(0, FILE_CURRENT);
            if (entry.folder()) {
                EXPECT_EQ(method_index(member), HUFFMAN::METHOD_LHD);
            } else {
                Expanded got = expand_at(app, member.original_size, member.packed_size,
                                         method_index(member), out / L"member.out");
                expect_expanded(got, read_file(folder + L"/" + utf8_to_utf16(entry.expected)));
                EXPECT_EQ(member.has_crc, 1);
                EXPECT_EQ(got.crc, member.crc);
            }
            app.archive->seek(data_start + static_cast<int64_t>(member.packed_size), FILE_BEGIN);
        }
        EXPECT_EQ(read_member_header(*app.archive, nullptr, member), HeaderRead::end);
    }
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
