// Self-extracting programs made by the builder itself (vornsfx.exe) from every
// committed corpus archive extract, with no dialog, to the tree that lhasa
// extracted from the same archive, each file with the archive's time stamp;
// one packed by the builder from a folder extracts to that folder's tree.
#include "Sfx/member_header.h"
#include "stub_run.h"
#include "support/corpus.h"
#include "support/tree_win32.h"
#include "text/utf8.h"

namespace {

constexpr DWORD BUILD_LIMIT_MS = 60000;
// The corpus was stamped 2021-06-15 12:34:56 UTC; levels 0 and 1 hold that as
// an MS-DOS time, which the stub reads as local time.
constexpr int64_t CORPUS_STAMP = 1623760496;

std::wstring in_quotes(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

// Runs vornsfx.exe with the arguments after "build" and waits for it.
void build(const std::wstring& folder, const std::wstring& arguments) {
    UiProcess builder;
    ASSERT_TRUE(builder.start(path_from_environment("VORNSFX_BUILDER"), folder,
                              L"build " + arguments + L" --no-dialog --stub " +
                                  in_quotes(path_from_environment("VORNSFX_STUB"))));
    ASSERT_TRUE(builder.wait_exit(BUILD_LIMIT_MS)) << "vornsfx build did not end";
    ASSERT_EQ(builder.exit_code(), 0u) << "vornsfx build refused its input";
}

void run_program(const std::wstring& program, const std::wstring& folder) {
    UiProcess program_run;
    ASSERT_TRUE(program_run.start(program, folder));
    ASSERT_TRUE(program_run.wait_exit(RUN_LIMIT_MS)) << "the program did not end";
    EXPECT_EQ(program_run.exit_code(), EXIT_NORMAL);
}

}  // namespace

using BuiltCorpus = StubRun;

TEST_F(BuiltCorpus, EveryArchiveExtractsToTheIndependentTree) {
    const std::wstring corpus = path_from_environment("VORNSFX_CORPUS");
    const auto archives = read_corpus(corpus);
    ASSERT_GE(archives.size(), 30u);
    for (const auto& members : archives) {
        const std::string& name = members.front().archive;
        SCOPED_TRACE(name);
        const std::wstring stem = utf8_to_utf16(name.substr(0, name.rfind('.')));
        const std::wstring program = dir / (stem + L".exe"), folder = dir / stem;
        make_folder(folder);
        build(dir.path(), in_quotes(corpus + L"\\" + utf8_to_utf16(name)) + L" -o " + in_quotes(program));
        run_program(program, folder);
        Tree expected = corpus_tree(name);
        const int64_t local = members.front().level == 2 ? 0 : local_time_zone_offset();
        for (auto& [path, entry] : expected) entry.mtime = CORPUS_STAMP + local;
        expect_same_tree(list_tree(folder), expected, true);
    }
}

// The sample folder (a Japanese name) with an empty folder beside it, packed by
// the builder: the program writes the same tree, times included.
TEST_F(BuiltCorpus, AProgramPackedFromAFolderExtractsToItsTree) {
    const std::wstring source = dir / L"source", sample = source + L"\\sample";
    make_folder(source);
    fs::copy(native(path_from_environment("VORNSFX_SAMPLE")), native(sample), fs::copy_options::recursive);
    make_folder(sample + L"\\空のフォルダ");
    const std::wstring program = dir / L"sample.exe", folder = dir / L"out";
    make_folder(folder);
    build(source, L"sample -o " + in_quotes(program) + L" --effort best");
    run_program(program, folder);
    expect_same_tree(list_tree(folder), list_tree(source), true);
}
