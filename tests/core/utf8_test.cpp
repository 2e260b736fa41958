// UTF-8 and UTF-16 both ways: every code point makes the round trip, and
// every byte string a file name may be reaches the system again unchanged,
// which only holds if each code point has one UTF-8 form and everything
// else is escaped byte by byte.
#include "text/utf8.h"

#include <gtest/gtest.h>

#include <string>

TEST(Utf8, EveryCodePointMakesTheRoundTrip) {
    constexpr uint32_t SUPPLEMENTARY_FIRST = 0x10000, LAST = 0x10FFFF;
    std::wstring units;
    for (uint32_t c = 0; c <= LAST; ++c) {
        if (c >= 0xD800 && c < 0xE000) continue;  // surrogates are no code points
        if (c < SUPPLEMENTARY_FIRST) {
            units.push_back(static_cast<wchar_t>(c));
        } else {
            units.push_back(static_cast<wchar_t>(0xD800 + ((c - SUPPLEMENTARY_FIRST) >> 10)));
            units.push_back(static_cast<wchar_t>(0xDC00 + ((c - SUPPLEMENTARY_FIRST) & 0x3FF)));
        }
    }
    const std::string utf8 = utf16_to_utf8(units);
    EXPECT_TRUE(utf8_to_utf16(utf8) == units);
    EXPECT_TRUE(path_to_utf16(utf8) == units);
    // A lone surrogate has no UTF-8 form; a pair is a high one, then a low one.
    const std::string R = "\xEF\xBF\xBD";
    EXPECT_EQ(utf16_to_utf8(std::wstring{L'a', wchar_t(0xDC00), wchar_t(0xD800)}), "a" + R + R);
    EXPECT_EQ(utf16_to_utf8(std::wstring{wchar_t(0xD800), wchar_t(0xE000)}), R + "\xEE\x80\x80");
    EXPECT_EQ(utf16_to_utf8(std::wstring{wchar_t(0xDC00), wchar_t(0xDC00)}), R + R);
    EXPECT_EQ(utf16_to_utf8(std::wstring{wchar_t(0xD7FF), wchar_t(0xDC00)}), "\xED\x9F\xBF" + R);
    EXPECT_TRUE(utf8_to_utf16("\xC0\xAF") == (std::wstring{0xFFFD, 0xFFFD}));
    EXPECT_EQ(path_to_bytes(std::wstring{wchar_t(0xDC41), wchar_t(0xDD00)}), R + R);  // beside the escapes
}

TEST(Utf8, EveryByteStringANameMayBeReturnsUnchanged) {
    // Every lead byte with continuations on both sides of each border: too
    // short, overlong, surrogates, beyond U+10FFFF, and not continuations at all.
    const uint8_t next[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xFF};
    for (unsigned lead = 0x80; lead <= 0xFF; ++lead)
        for (uint8_t b1 : next)
            for (uint8_t b2 : next)
                for (uint8_t b3 : next) {
                    const std::string name = {char(lead), char(b1), char(b2), char(b3)};
                    for (size_t length = 1; length <= name.size(); ++length) {
                        const std::string part = name.substr(0, length);
                        ASSERT_EQ(path_to_bytes(path_to_utf16(part)), part)
                            << std::hex << lead << " " << int(b1) << " " << int(b2) << " " << int(b3);
                    }
                }
}
