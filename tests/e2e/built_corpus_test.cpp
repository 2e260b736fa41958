// Programs without a dialog (lead byte 0). Every committed corpus archive
// behind the stub extracts to the tree that lhasa extracted from it, each file
// with the archive's time stamp; a program the builder (vornsfx.exe) packed
// from a folder extracts to that folder's tree.
#include "Sfx/member_header.h"
#include "support/corpus.h"
#include "support/driver_win32.h"
#include "support/header_writer.h"
#include "support/tree_win32.h"
#include "text/utf8.h"

namespace {

// The corpus was stamped 2021-06-15 12:34:56 UTC; levels 0 and 1 hold that as
// an MS-DOS time, which the stub reads as local time.
constexpr int64_t CORPUS_STAMP = 1623760496;

std::wstring in_quotes(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

}  // namespace

using NoDialog = StubRun;

// Every corpus archive, side by side with programs whose payload is missing
// or whose block is cut before its last byte (the parse of every cut is the
// block reader's own test): those end start-up without any window.
TEST_F(NoDialog, EveryCorpusArchiveExtractsToTheIndependentTree) {
    const auto archives = read_corpus(path_from_environment("VORNSFX_CORPUS"));
    ASSERT_GE(archives.size(), 30u);
    const Bytes block = block_bytes(marker_block(L"Setup", L"Dest", L"App"));
    std::vector<std::pair<std::wstring, Bytes>> payloads = {
        {L"no payload", Bytes()}, {L"cut block", Bytes(block.begin(), block.end() - 1)}};
    for (const auto& members : archives) {
        const std::wstring name = utf8_to_utf16(members.front().archive);
        payloads.push_back({name, concat({Bytes(1, 0), corpus_archive(name)})});
    }
    std::vector<BatchRun> runs;
    for (const auto& [name, payload] : payloads) {
        runs.emplace_back(dir / (name + L".exe"), dir / name);
        make_folder(runs.back().folder);
        write_sfx(runs.back().program, payload, Bytes());
    }
    run_side_by_side(runs, RUN_LIMIT_MS);
    for (size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(shown(payloads[i].first));
        EXPECT_FALSE(runs[i].hung);
        EXPECT_TRUE(runs[i].messages.empty());
        if (i < 2) {
            EXPECT_EQ(runs[i].status, EXIT_STARTUP_FAILED);
            EXPECT_FALSE(runs[i].window_seen);
            EXPECT_TRUE(folder_entries(runs[i].folder).empty()) << "something was extracted";
            continue;
        }
        EXPECT_EQ(runs[i].status, EXIT_NORMAL);
        const CorpusMember& member = archives[i - 2].front();
        Tree expected = corpus_tree(member.archive);
        const int64_t local = member.level == 2 ? 0 : local_time_zone_offset();
        for (auto& [path, entry] : expected) entry.mtime = CORPUS_STAMP + local;
        expect_same_tree(list_tree(runs[i].folder), expected, true);
    }
}

// The sample folder (a Japanese name) with an empty folder beside it, packed by
// the builder: the program writes the same tree, times included.
TEST_F(NoDialog, AProgramPackedFromAFolderExtractsToItsTree) {
    const std::wstring source = dir / L"source", sample = source + L"\\sample";
    fs::create_directories(native(sample + L"\\空のフォルダ"));
    fs::copy(native(path_from_environment("VORNSFX_SAMPLE")), native(sample),
             fs::copy_options::recursive);
    const std::wstring program = dir / L"sample.exe";
    UiProcess builder;
    ASSERT_TRUE(builder.start(path_from_environment("VORNSFX_BUILDER"), source,
                              L"build sample -o " + in_quotes(program) +
                                  L" --effort best --no-dialog --stub " +
                                  in_quotes(path_from_environment("VORNSFX_STUB"))));
    ASSERT_EQ(builder.finish(), 0u) << "vornsfx build refused its input";
    ASSERT_TRUE(stub.start(program, work));
    EXPECT_EQ(stub.finish(), EXIT_NORMAL);
    expect_same_tree(list_tree(work), list_tree(source), true);
}
