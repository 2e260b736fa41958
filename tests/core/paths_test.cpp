// Member paths as text: what a stored name becomes, the parent of a path, and
// paths cut to fit a message.
#include "Sfx/paths.h"

#include <gtest/gtest.h>

#include <string>

#include "text/utf8.h"

namespace {

std::wstring sanitized(const std::wstring& stored) {
    CWideSz path(stored.c_str());
    sanitize_member_path(path);
    return path.c_str();
}

}  // namespace

TEST(Paths, StoredNamesBecomeRelativePathsWindowsCannotMisread) {
    const wchar_t* const cases[][2] = {
        // Safe names are written as stored.
        {L"dir/sub/file.txt", L"dir/sub/file.txt"},
        {L"nested/deeper/", L"nested/deeper"},
        {L"a..b/.c.d.e", L"a..b/.c.d.e"},
        {L"日本語/テスト.txt", L"日本語/テスト.txt"},
        {L"CONSOLE.txt", L"CONSOLE.txt"},
        {L"COM10", L"COM10"},
        {L"TAB1.txt", L"TAB1.txt"}, {L"COMA", L"COMA"}, {L"xON", L"xON"},
        // Ways up and roots go, and the dots behind a stripped run with them.
        {L"../../../evil.txt", L"evil.txt"},
        {L"a/../../b", L"a/b"},
        {L"a/../.b", L"a/b"},
        {L"/.profile", L"profile"},
        {L"a/\xFFFF../\xFFFFx", L"a/x"},
        {L"mixed\\..//../\\x", L"mixed/x"},
        // Drives, network and device prefixes.
        {L"C:../x", L"x"},
        {L"C:x.dll", L"x.dll"},
        {L"C:\\Windows\\x.dll", L"Windows/x.dll"},
        {L"\\\\server\\share\\x", L"server/share/x"},
        {L"\\\\?\\C:\\x", L"x"},
        {L"\\\\.\\PhysicalDrive0", L"PhysicalDrive0"},
        {L"\\??\\C:\\x", L"x"},
        {L"//?/UNC/server/share/x", L"server/share/x"},
        // Dots and spaces that Windows would drop cannot hide a way up.
        {L"a/.. /x", L"a/x"},
        {L"a/. ./x", L"a/x"},
        {L"./.x", L".x"},
        {L"dir. /file. ", L"dir/file"},
        {L"..", L""},
        {L"C:", L""},
        // Device names and forbidden characters are defused.
        {L"CON", L"_CON"},
        {L"dir/nul.tar.gz", L"dir/_nul.tar.gz"},
        {L"lpt9.log", L"_lpt9.log"},
        {L"COM\x00B9", L"_COM\x00B9"},
        {L"CONOUT$", L"_CONOUT$"},
        {L"NUL .txt", L"_NUL .txt"},
        {L"CON/file", L"_CON/file"},
        {L"file.txt:stream", L"file.txt_stream"},
        {L"*b?c\"d<e>f|g\x01h", L"_b_c_d_e_f_g_h"},
    };
    for (const auto& c : cases) EXPECT_EQ(sanitized(c[0]), c[1]) << utf16_to_utf8(c[0]);

    CWideSz absent;
    sanitize_member_path(absent);
    EXPECT_FALSE(absent.present());
    // Far beyond any split buffer: cleaned all the same, nothing is cut.
    std::wstring folder(300, L'd'), name(1000, L'n');
    EXPECT_EQ(sanitized(L"../" + folder + L"/" + name), folder + L"/" + name);
}

// A null parent: the path is left as it was.
TEST(Paths, ParentDirectoryCutsAtTheLastSeparatorButNotAtARoot) {
    const wchar_t* const cases[][2] = {
        {L"a/b/c", L"a/b"}, {L"a/b/", L"a"}, {L"a/b//", L"a/b"}, {L"a\\b\\f.txt", L"a\\b"},
        {L"C:\\x\\y", L"C:\\x"}, {L"C:\\x", nullptr}, {L"/abc", nullptr}, {L"x", nullptr},
        {L"", nullptr}, {L"a/", nullptr}};
    for (const auto& [path, parent] : cases) {
        CWideString cut(path);
        EXPECT_EQ(parent_directory(cut), parent != nullptr) << utf16_to_utf8(path);
        EXPECT_STREQ(cut.c_str(), parent ? parent : path);
    }
}

TEST(Paths, FitPathKeepsTheEndBehindAnEllipsis) {
    EXPECT_STREQ(fit_path(L"short.txt", 9).c_str(), L"short.txt");
    EXPECT_STREQ(fit_path(L"folder/name.txt", 9).c_str(), L"\x2026name.txt");
    EXPECT_STREQ(fit_path(nullptr, 5).c_str(), L"");
    EXPECT_STREQ(fit_path(L"abc", 0).c_str(), L"");
    // A cut between the halves of a surrogate pair drops the lone half.
    std::wstring pairs = L"x\xD800\xDC00\xDBFF\xDFFFy";  // the first and the last pair
    EXPECT_STREQ(fit_path(pairs.c_str(), 3).c_str(), L"\x2026y");
    EXPECT_STREQ(fit_path(pairs.c_str(), 5).c_str(), L"\x2026\xDBFF\xDFFFy");
}
