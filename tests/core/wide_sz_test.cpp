#include "text/wide_sz.h"

#include <gtest/gtest.h>

#include "text/wide_string.h"

TEST(WideSz, AbsentTextReadsAsEmptyAndAppendingMakesItPresent) {
    CWideSz absent;
    EXPECT_FALSE(absent.present());
    EXPECT_TRUE(absent.empty());
    EXPECT_STREQ(absent.c_str(), L"");
    EXPECT_EQ(absent.length(), 0u);

    CWideSz other;
    absent += other;
    EXPECT_TRUE(absent.present());
    EXPECT_STREQ(absent.c_str(), L"");

    CWideSz from_null(static_cast<const wchar_t*>(nullptr));
    EXPECT_FALSE(from_null.present());
    CWideSz from_null_counted(nullptr, 5);
    EXPECT_FALSE(from_null_counted.present());
}

TEST(WideSz, CountedConstructionStopsAtTheCountOrTheTerminator) {
    EXPECT_STREQ(CWideSz(L"abcdef", 3).c_str(), L"abc");
    EXPECT_STREQ(CWideSz(L"ab", 10).c_str(), L"ab");
    EXPECT_STREQ(CWideSz(L"abc", 0).c_str(), L"");
    EXPECT_TRUE(CWideSz(L"abc", 0).present());
    EXPECT_STREQ(CWideSz(CWideString(L"path\\x")).c_str(), L"path\\x");
}

TEST(WideSz, CopiesAreIndependentAndSelfAssignmentKeepsTheText) {
    CWideSz original(L"member.txt");
    CWideSz copy(original);
    copy += L".bak";
    EXPECT_STREQ(original.c_str(), L"member.txt");
    EXPECT_STREQ(copy.c_str(), L"member.txt.bak");

    CWideSz& alias = original;
    original = alias;
    EXPECT_STREQ(original.c_str(), L"member.txt");
    original = original.get();  // its own pointer: nothing happens
    EXPECT_STREQ(original.c_str(), L"member.txt");
}

TEST(WideSz, AppendingItselfDoublesTheText) {
    CWideSz text(L"ab");
    text += text;
    EXPECT_STREQ(text.c_str(), L"abab");
    text += text.get();
    EXPECT_STREQ(text.c_str(), L"abababab");
    text += L'!';
    EXPECT_STREQ(text.c_str(), L"abababab!");
}

TEST(WideSz, EnsureTrailingAddsTheCharacterOnlyWhenMissing) {
    CWideSz absent;
    absent.ensure_trailing(L'\\');
    EXPECT_STREQ(absent.c_str(), L"\\");

    CWideSz empty(L"");
    empty.ensure_trailing(L'\\');
    EXPECT_STREQ(empty.c_str(), L"\\");

    CWideSz folder(L"C:\\Dest\\");
    folder.ensure_trailing(L'\\');
    EXPECT_STREQ(folder.c_str(), L"C:\\Dest\\");

    CWideSz plain(L"C:\\Dest");
    plain.ensure_trailing(L'\\');
    EXPECT_STREQ(plain.c_str(), L"C:\\Dest\\");
}

TEST(WideSz, ReplaceSeparatorsTurnsEveryKindIntoOne) {
    const wchar_t mixed[] = {L'a', 0xFFFF, L'b', L'\\', L'c', L'/', L'd', 0};
    CWideSz text(mixed);
    text.replace_separators(L'/');
    EXPECT_STREQ(text.c_str(), L"a/b/c/d");
    text.replace_separators(L'\\');
    EXPECT_STREQ(text.c_str(), L"a\\b\\c\\d");

    CWideSz absent;
    absent.replace_separators(L'/');
    EXPECT_FALSE(absent.present());
}

TEST(WideSz, NumbersAreSignedDecimal) {
    EXPECT_STREQ(CWideSz::from_number(0).c_str(), L"0");
    EXPECT_STREQ(CWideSz::from_number(-2147483647 - 1).c_str(), L"-2147483648");
    EXPECT_STREQ(CWideSz::from_number(static_cast<int32_t>(0xC0000005u)).c_str(),
                 L"-1073741819");
}

TEST(WideSz, AnsiBytesAreReadInTheSystemCodePage) {
    // Shift_JIS (code page 932): 0x82 0xA0 is HIRAGANA A, 0x93 0xFA 0x96 0x7B "日本".
    CWideSz text("\x82\xA0-\x93\xFA\x96\x7B.txt");
    EXPECT_STREQ(text.c_str(), L"\u3042-\u65E5\u672C.txt");

    CWideSz absent(static_cast<const char*>(nullptr));
    EXPECT_FALSE(absent.present());
    CWideSz empty("");
    EXPECT_TRUE(empty.present());
    EXPECT_STREQ(empty.c_str(), L"");
}
