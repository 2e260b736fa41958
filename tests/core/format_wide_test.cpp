#include "text/format_wide.h"

#include <gtest/gtest.h>

TEST(FormatWide, FormatsSignedNumbersAndCutsWhatDoesNotFit) {
    wchar_t buffer[8];
    EXPECT_EQ(format_wide(buffer, 8, L"%ls=%d", L"x", static_cast<int32_t>(0xFFFFFFFFu)), 4);
    EXPECT_STREQ(buffer, L"x=-1");
    EXPECT_EQ(format_wide(buffer, 6, L"%ls", L"abcde"), 5);  // exactly fits
    buffer[7] = L'#';
    EXPECT_EQ(format_wide(buffer, 6, L"%ls", L"abcdefghij"), -1);
    EXPECT_STREQ(buffer, L"abcde");
    EXPECT_EQ(buffer[7], L'#');  // never beyond the capacity given
    EXPECT_EQ(format_wide(buffer, 0, L"x"), -1);
}
