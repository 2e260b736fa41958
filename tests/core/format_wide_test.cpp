#include "text/format_wide.h"

#include <gtest/gtest.h>

TEST(FormatWide, FormatsWideTextAndSignedNumbers) {
    wchar_t buffer[64];
    EXPECT_EQ(format_wide(buffer, 64, L"%ls=%d", L"code", -5), 7);
    EXPECT_STREQ(buffer, L"code=-5");
    EXPECT_EQ(format_wide(buffer, 64, L"%d", static_cast<int32_t>(0xFFFFFFFFu)), 2);
    EXPECT_STREQ(buffer, L"-1");
}

TEST(FormatWide, ATextThatDoesNotFitIsCutNeverOverflowed) {
    wchar_t buffer[8];
    buffer[7] = L'#';
    EXPECT_EQ(format_wide(buffer, 6, L"%ls", L"abcdefghij"), -1);
    EXPECT_STREQ(buffer, L"abcde");
    EXPECT_EQ(buffer[7], L'#');

    EXPECT_EQ(format_wide(buffer, 6, L"%ls", L"abcde"), 5);  // exactly fits
    EXPECT_STREQ(buffer, L"abcde");
    EXPECT_EQ(format_wide(buffer, 0, L"x"), -1);
}
