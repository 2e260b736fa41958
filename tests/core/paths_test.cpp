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

struct Case {
    const wchar_t* stored;
    const wchar_t* written;
};

void expect_all(std::initializer_list<Case> cases) {
    for (const Case& c : cases)
        EXPECT_EQ(sanitized(c.stored), c.written) << "stored: " << utf16_to_utf8(c.stored);
}

std::wstring parent_of(const std::wstring& text, bool& cut) {
    CWideString path(text.c_str());
    cut = parent_directory(path);
    return path.c_str();
}

}  // namespace

TEST(Paths, SafeNamesAreWrittenAsStored) {
    expect_all({
        {L"readme.txt", L"readme.txt"},
        {L"dir/sub/file.txt", L"dir/sub/file.txt"},
        {L"nested/deeper/", L"nested/deeper"},
        {L".hidden", L".hidden"},
        {L"a..b/c.d.e", L"a..b/c.d.e"},
        {L"日本語/テスト.txt", L"日本語/テスト.txt"},
        {L"CONSOLE.txt", L"CONSOLE.txt"},
        {L"COM10", L"COM10"},
        {L"con-fig/nul_file", L"con-fig/nul_file"},
    });
}

TEST(Paths, TraversalRunsAndRootsAreStrippedAsTheyAlwaysWere) {
    expect_all({
        {L"../../../evil.txt", L"evil.txt"},
        {L"/x/y", L"x/y"},
        {L"a/../../b", L"a/b"},
        {L"a/../.b", L"a/b"},  // the dots behind a stripped run go too
        {L"C:/Windows/x.dll", L"Windows/x.dll"},
        {L"C:../x", L"x"},
        {L"dir/a:b", L"dir/a_b"},
        {L"/.profile", L"profile"},
    });
}

TEST(Paths, BackslashesAndPrefixesCannotLeaveTheDestination) {
    expect_all({
        {L"..\\..\\evil.txt", L"evil.txt"},
        {L"a\\..\\..\\b", L"a/b"},
        {L"\\Windows\\system32\\x.dll", L"Windows/system32/x.dll"},
        {L"C:\\Windows\\x.dll", L"Windows/x.dll"},
        {L"C:x.dll", L"x.dll"},
        {L"\\\\server\\share\\x", L"server/share/x"},
        {L"//server/share/x", L"server/share/x"},
        {L"\\\\?\\C:\\x", L"x"},
        {L"\\\\.\\C:\\x", L"x"},
        {L"\\\\.\\PhysicalDrive0", L"PhysicalDrive0"},
        {L"\\??\\C:\\x", L"x"},
        {L"\\\\?\\UNC\\server\\share\\x", L"server/share/x"},
        {L"a/\xFFFF../\xFFFFx", L"a/x"},
        {L"mixed\\..//../\\x", L"mixed/x"},
    });
}

TEST(Paths, DotsAndSpacesThatWindowsWouldDropCannotHideAWayUp) {
    expect_all({
        {L"a/.. /x", L"a/x"},
        {L"a/.../x", L"a/x"},
        {L"a/. ./x", L"a/x"},
        {L"./x", L"x"},
        {L"a/./b", L"a/b"},
        {L"a//b", L"a/b"},
        {L"name.", L"name"},
        {L"dir. /file. ", L"dir/file"},
        {L"..", L""},
        {L"/", L""},
        {L"C:", L""},
        {L"", L""},
    });
}

TEST(Paths, DeviceNamesAndForbiddenCharactersAreDefused) {
    expect_all({
        {L"CON", L"_CON"},
        {L"dir/nul.txt", L"dir/_nul.txt"},
        {L"Aux.tar.gz", L"_Aux.tar.gz"},
        {L"prn", L"_prn"},
        {L"COM1", L"_COM1"},
        {L"lpt9.log", L"_lpt9.log"},
        {L"COM\x00B9", L"_COM\x00B9"},
        {L"CONOUT$", L"_CONOUT$"},
        {L"NUL .txt", L"_NUL .txt"},
        {L"CON/file", L"_CON/file"},
        {L"file.txt:stream", L"file.txt_stream"},
        {L"a*b?c\"d<e>f|g\x01h", L"a_b_c_d_e_f_g_h"},
    });
}

TEST(Paths, AnAbsentPathStaysAbsentAndLongNamesAreKeptWhole) {
    CWideSz absent;
    sanitize_member_path(absent);
    EXPECT_FALSE(absent.present());
    // Far beyond any split buffer: cleaned all the same, nothing is cut.
    std::wstring folder(300, L'd');
    std::wstring name(1000, L'n');
    EXPECT_EQ(sanitized(L"../" + folder + L"/" + name + L".txt"), folder + L"/" + name + L".txt");
}

TEST(Paths, ParentDirectoryCutsAtTheLastSeparator) {
    bool cut = false;
    EXPECT_EQ(parent_of(L"a/b/c", cut), L"a/b");
    EXPECT_TRUE(cut);
    EXPECT_EQ(parent_of(L"a/b/", cut), L"a");
    EXPECT_TRUE(cut);
    EXPECT_EQ(parent_of(L"a\\b\\f.txt", cut), L"a\\b");
    EXPECT_TRUE(cut);
    EXPECT_EQ(parent_of(L"C:\\x\\y", cut), L"C:\\x");
    EXPECT_TRUE(cut);
    for (const wchar_t* unchanged : {L"C:\\x", L"abc", L"/abc", L"x", L"", L"a/"}) {
        EXPECT_EQ(parent_of(unchanged, cut), unchanged);
        EXPECT_FALSE(cut) << utf16_to_utf8(unchanged);
    }
}

TEST(Paths, FitPathKeepsTheEndBehindAnEllipsis) {
    EXPECT_STREQ(fit_path(L"short.txt", 9).c_str(), L"short.txt");
    EXPECT_STREQ(fit_path(L"folder/name.txt", 9).c_str(), L"\x2026name.txt");
    EXPECT_STREQ(fit_path(nullptr, 5).c_str(), L"");
    EXPECT_STREQ(fit_path(L"abc", 0).c_str(), L"");
    // A cut between the halves of a surrogate pair drops the lone half.
    std::wstring pair = L"xx\xD83D\xDE00y";
    EXPECT_STREQ(fit_path(pair.c_str(), 3).c_str(), L"\x2026y");
    EXPECT_STREQ(fit_path(pair.c_str(), 4).c_str(), L"\x2026\xD83D\xDE00y");
}
