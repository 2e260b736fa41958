#include "text/wide_sz.h"

#include <gtest/gtest.h>

#include "text/wide_string.h"

TEST(WideSz, AbsentTextReadsAsEmptyUntilSomethingIsAppended) {
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
}

TEST(WideSz, CountedTextStopsAtTheCountOrTheTerminator) {
    EXPECT_STREQ(CWideSz(L"abcdef", 3).c_str(), L"abc");
    EXPECT_STREQ(CWideSz(L"ab", 10).c_str(), L"ab");
    const CWideSz none(L"abc", 0);
    EXPECT_TRUE(none.present());
    EXPECT_STREQ(none.c_str(), L"");
    EXPECT_STREQ(CWideSz(CWideString(L"path\\x")).c_str(), L"path\\x");
}

// Every change builds the new buffer before releasing the old one.
TEST(WideSz, ATextMayBeAssignedAndAppendedToItself) {
    CWideSz text(L"ab");
    CWideSz copy(text);
    text += text;
    text += text.get();
    text += L'!';
    EXPECT_STREQ(text.c_str(), L"abababab!");
    EXPECT_STREQ(copy.c_str(), L"ab");
    CWideSz& alias = text;
    text = alias;
    text = text.get();
    EXPECT_STREQ(text.c_str(), L"abababab!");
}

TEST(WideSz, SeparatorsOfEveryKindBecomeOneAndATrailingOneIsAddedOnce) {
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
}

TEST(WideSz, NumbersAreSignedDecimalAndAnsiBytesShiftJis) {
    EXPECT_STREQ(CWideSz::from_number(-2147483647 - 1).c_str(), L"-2147483648");
    EXPECT_STREQ(CWideSz::from_number(static_cast<int32_t>(0xC0000005u)).c_str(), L"-1073741819");
    // Code page 932: 0x82 0xA0 is HIRAGANA A, 0x93 0xFA 0x96 0x7B "日本".
    EXPECT_STREQ(CWideSz("\x82\xA0-\x93\xFA\x96\x7B.txt").c_str(), L"\u3042-\u65E5\u672C.txt");
}
