// Self-extracting programs made by the builder itself (vornsfx.exe) from every
// committed corpus archive extract, with no dialog, to the tree that lhasa
// extracted from the same archive.
#include <string>
#include <vector>

#include "stub_run.h"
#include "support/process_win32.h"
#include "text/utf8.h"
#include "tree_compare.h"

namespace {

constexpr DWORD BUILD_LIMIT_MS = 60000;

std::vector<std::wstring> corpus_archives() {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search =
        FindFirstFileW((path_from_environment("VORNSFX_CORPUS") + L"\\*.lzh").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

std::wstring in_quotes(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

}  // namespace

using BuiltCorpus = StubRun;

TEST_F(BuiltCorpus, EveryArchiveExtractsToTheIndependentTree) {
    std::vector<std::wstring> archives = corpus_archives();
    ASSERT_GE(archives.size(), 30u);
    std::wstring builder = path_from_environment("VORNSFX_BUILDER");
    std::wstring corpus = path_from_environment("VORNSFX_CORPUS");
    for (const std::wstring& name : archives) {
        SCOPED_TRACE(utf16_to_utf8(name));
        std::wstring stem = name.substr(0, name.size() - 4);
        std::wstring program = dir / (stem + L".exe");
        std::wstring folder = dir / stem;
        make_folder(folder);
        ProcessResult built = run_program(
            builder, dir.path(), BUILD_LIMIT_MS,
            L"build " + in_quotes(corpus + L"\\" + name) + L" -o " + in_quotes(program) +
                L" --no-dialog --stub " + in_quotes(path_from_environment("VORNSFX_STUB")));
        ASSERT_TRUE(built.started && !built.timed_out);
        ASSERT_EQ(built.exit_code, 0u) << "vornsfx build refused the archive";

        ASSERT_TRUE(stub.start(program, folder));
        ASSERT_TRUE(stub.wait_exit(RUN_LIMIT_MS)) << "the program did not end";
        EXPECT_EQ(stub.exit_code(), EXIT_NORMAL);
        for (const std::string& difference : corpus_differences(stem, folder))
            ADD_FAILURE() << difference;
    }
}
