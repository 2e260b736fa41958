// Programs without a dialog (lead byte 0). Every committed corpus archive
// behind the stub extracts to the tree that lhasa extracted from it, each file
// with the archive's time stamp; a program the builder (vornsfx.exe) packed
// from a folder extracts to that folder's tree. A payload that is missing or
// cut short ends start-up without any window.
#include "Sfx/member_header.h"
#include "stub_run.h"
#include "support/corpus.h"
#include "support/tree_win32.h"
#include "text/utf8.h"

namespace {

// The corpus was stamped 2021-06-15 12:34:56 UTC; levels 0 and 1 hold that as
// an MS-DOS time, which the stub reads as local time.
constexpr int64_t CORPUS_STAMP = 1623760496;
// Programs run side by side: most of a run is Wine starting up and waiting.
constexpr size_t RUNS_AT_ONCE = 4;

std::wstring in_quotes(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

}  // namespace

using NoDialog = StubRun;

TEST_F(NoDialog, EveryCorpusArchiveExtractsToTheIndependentTree) {
    const auto archives = read_corpus(path_from_environment("VORNSFX_CORPUS"));
    ASSERT_GE(archives.size(), 30u);
    for (size_t batch = 0; batch < archives.size(); batch += RUNS_AT_ONCE) {
        UiProcess runs[RUNS_AT_ONCE];
        const size_t count = std::min(RUNS_AT_ONCE, archives.size() - batch);
        for (size_t i = 0; i < count; ++i) {
            const std::wstring name = utf8_to_utf16(archives[batch + i].front().archive);
            const std::wstring program = dir / (name + L".exe"), folder = dir / name;
            make_folder(folder);
            write_sfx(program, Bytes(1, 0), corpus_archive(name));
            ASSERT_TRUE(runs[i].start(program, folder));
        }
        for (size_t i = 0; i < count; ++i) {
            const std::vector<CorpusMember>& members = archives[batch + i];
            SCOPED_TRACE(members.front().archive);
            EXPECT_EQ(runs[i].finish(), EXIT_NORMAL);
            Tree expected = corpus_tree(members.front().archive);
            const int64_t local = members.front().level == 2 ? 0 : local_time_zone_offset();
            for (auto& [path, entry] : expected) entry.mtime = CORPUS_STAMP + local;
            expect_same_tree(list_tree(dir / utf8_to_utf16(members.front().archive)), expected,
                             true);
        }
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

// Nothing behind the stub, or a block cut before its last byte (the parse
// of every cut is the block reader's own test).
TEST_F(NoDialog, NoPayloadOrACutBlockEndsStartUpWithoutAWindow) {
    const Bytes block = block_bytes(marker_block(L"Setup", L"Dest", L"App"));
    for (size_t cut : {size_t{0}, block.size() - 1}) {
        SCOPED_TRACE("block cut after " + std::to_string(cut) + " bytes");
        UiProcess process;
        write_sfx(dir / L"setup.exe", Bytes(block.begin(), block.begin() + cut), Bytes());
        ASSERT_TRUE(process.start(dir / L"setup.exe", work));
        bool window_seen = false;
        wait_until(
            [&] {
                // Any dialog, message box or progress window, hidden or not.
                window_seen = window_seen || !process.windows(DIALOG_CLASS).empty() ||
                              !process.windows(PROGRESS_WINDOW_CLASS).empty();
                return !process.running();
            },
            RUN_LIMIT_MS);
        EXPECT_EQ(process.finish(), EXIT_STARTUP_FAILED);
        EXPECT_FALSE(window_seen);
        EXPECT_TRUE(folder_entries(work).empty()) << "something was extracted";
    }
}
