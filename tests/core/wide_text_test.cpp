// The program's wide texts: growable strings, optional texts, formatting.
#include "text/format_wide.h"
#include "text/wide_string.h"
#include "text/wide_sz.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

// The source of an edit may lie in the buffer the edit replaces: every
// change builds the new buffer before releasing the old one.
TEST(WideText, EditsMayTakeTheirSourceFromTheTextItself) {
    CWideString text(L"0123456789");
    text.assign(text.c_str() + 4, text.c_str() + 7);
    EXPECT_STREQ(text.c_str(), L"456");
    text.append(text.c_str(), text.c_str() + text.length());  // needs a new buffer
    EXPECT_STREQ(text.c_str(), L"456456");
    text.reserve(20);
    text.append(text.c_str() + 1, text.c_str() + 3);  // fits in place
    EXPECT_STREQ(text.c_str(), L"45645656");

    CWideString& alias = text;
    text = alias;
    EXPECT_STREQ(text.c_str(), L"45645656");
    text.assign(text.c_str() + 2, text.c_str() + 3);  // one unit, in place
    EXPECT_STREQ(text.c_str(), L"6");
    CWideString moved(std::move(text));
    EXPECT_STREQ(moved.c_str(), L"6");
    EXPECT_STREQ(text.c_str(), L"");  // NOLINT: moved-from stays valid and empty

    CWideSz sz(L"ab");
    CWideSz copy(sz);
    sz += sz;
    sz += sz.get();
    sz += L'!';
    EXPECT_STREQ(sz.c_str(), L"abababab!");
    EXPECT_STREQ(copy.c_str(), L"ab");
    CWideSz& sz_alias = sz;
    sz = sz_alias;
    sz = sz.get();
    EXPECT_STREQ(sz.c_str(), L"abababab!");
}

TEST(SplitPath, SplitsLikeTheRuntimeAndEmptiesEveryPartOfAnOverlongOne) {
    const wchar_t* const cases[][5] = {
        // path, drive, folder, name, extension
        {L"C:\\Program Files\\App\\setup.exe", L"C:", L"\\Program Files\\App\\", L"setup", L".exe"},
        {L"D:Data", L"D:", L"", L"Data", L""},
        {L"a/b\\c.d.e", L"", L"a/b\\", L"c.d", L".e"},
        {L"dir.x/name", L"", L"dir.x/", L"name", L""},
        {L".hidden", L"", L"", L"", L".hidden"},
    };
    CPathParts parts;
    for (const auto& c : cases) {
        ASSERT_TRUE(split_path(CWideString(c[0]), parts)) << c[0];
        EXPECT_STREQ(parts.drive.c_str(), c[1]) << c[0];
        EXPECT_STREQ(parts.directory.c_str(), c[2]) << c[0];
        EXPECT_STREQ(parts.name.c_str(), c[3]) << c[0];
        EXPECT_STREQ(parts.extension.c_str(), c[4]) << c[0];
    }
    std::wstring longest(SPLIT_COMPONENT_UNITS - 1, L'n');
    EXPECT_TRUE(split_path(CWideString((L"C:\\" + longest).c_str()), parts));
    EXPECT_FALSE(split_path(CWideString((L"C:\\" + longest + L"n.txt").c_str()), parts));
    EXPECT_TRUE(parts.drive.empty() && parts.directory.empty() && parts.name.empty() &&
                parts.extension.empty());
}

// A text may be absent: it reads as empty until something is appended. A
// counted text stops at the count or at the terminator.
TEST(WideSz, AbsentAndCountedTexts) {
    CWideSz absent;
    EXPECT_FALSE(absent.present());
    EXPECT_TRUE(absent.empty());
    EXPECT_STREQ(absent.c_str(), L"");
    EXPECT_FALSE(CWideSz(static_cast<const wchar_t*>(nullptr)).present());
    EXPECT_FALSE(CWideSz(nullptr, 5).present());
    EXPECT_FALSE(CWideSz(static_cast<const char*>(nullptr)).present());
    EXPECT_TRUE(CWideSz("").present());
    absent.replace_separators(L'/');
    EXPECT_FALSE(absent.present());
    absent += CWideSz();
    EXPECT_TRUE(absent.present());
    EXPECT_STREQ(absent.c_str(), L"");

    EXPECT_STREQ(CWideSz(L"abcdef", 3).c_str(), L"abc");
    EXPECT_STREQ(CWideSz(L"ab", 10).c_str(), L"ab");
    const CWideSz none(L"abc", 0);
    EXPECT_TRUE(none.present());
    EXPECT_STREQ(none.c_str(), L"");
    EXPECT_STREQ(CWideSz(CWideString(L"path\\x")).c_str(), L"path\\x");
}

// Separators of every kind become one, a trailing one is added once;
// numbers are signed decimal, ANSI bytes Shift_JIS (code page 932: 0x82 0xA0
// is HIRAGANA A, 0x93 0xFA 0x96 0x7B "日本").
TEST(WideSz, SeparatorsNumbersAndAnsiBytes) {
    const wchar_t mixed[] = {L'a', 0xFFFF, L'b', L'\\', L'c', L'/', L'd', 0};
    CWideSz text(mixed);
    text.replace_separators(L'\\');
    EXPECT_STREQ(text.c_str(), L"a\\b\\c\\d");
    text.ensure_trailing(L'\\');
    text.ensure_trailing(L'\\');
    EXPECT_STREQ(text.c_str(), L"a\\b\\c\\d\\");
    CWideSz absent;
    absent.ensure_trailing(L'\\');
    EXPECT_STREQ(absent.c_str(), L"\\");

    EXPECT_STREQ(CWideSz::from_number(-2147483647 - 1).c_str(), L"-2147483648");
    EXPECT_STREQ(CWideSz::from_number(static_cast<int32_t>(0xC0000005u)).c_str(), L"-1073741819");
    EXPECT_STREQ(CWideSz("\x82\xA0-\x93\xFA\x96\x7B.txt").c_str(), L"\u3042-\u65E5\u672C.txt");
}

TEST(FormatWide, FormatsSignedNumbersAndCutsWhatDoesNotFit) {
    wchar_t buffer[8];
    EXPECT_EQ(format_wide(buffer, 8, L"%ls=%d", L"x", static_cast<int32_t>(0xFFFFFFFFu)), 4);
    EXPECT_STREQ(buffer, L"x=-1");
    EXPECT_EQ(format_wide(buffer, 6, L"%ls", L"abcde"), 5);  // exactly fits
    buffer[7] = L'#';
    EXPECT_EQ(format_wide(buffer, 6, L"%ls", L"abcdefghij"), -1);
    EXPECT_STREQ(buffer, L"abcde");
    EXPECT_EQ(buffer[7], L'#');  // never beyond the capacity given
    EXPECT_EQ(format_wide(buffer, 1, L"%ls", L""), 0);  // the terminator alone fits
    EXPECT_EQ(format_wide(buffer, 0, L"x"), -1);
}
