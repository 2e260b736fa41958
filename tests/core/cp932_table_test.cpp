// The code page 932 tables (the WebAssembly builder's converter) against the
// native converter they stand in for (iconv's CP932, with the round trip the
// encoder asks of a name): every UTF-16 unit must get the same bytes, or no
// form alike, and every code must decode to the same unit.
#include "text/cp932_table.h"

#include <gtest/gtest.h>

#include "shift_jis.h"
#include "text/ansi.h"

namespace {

uint16_t iconv_code(wchar_t unit) {
    std::string bytes;
    if (!to_shift_jis(std::wstring(1, unit), bytes)) return 0;
    return bytes.size() == 1 ? static_cast<uint8_t>(bytes[0])
                             : static_cast<uint16_t>(static_cast<uint8_t>(bytes[0]) << 8 |
                                                     static_cast<uint8_t>(bytes[1]));
}

// The unit iconv decodes the code to, 0 when it gives no single unit.
uint16_t iconv_unit(const char* code) {
    wchar_t out[4];
    return ansi_to_utf16(code, out, 4) == 2 && out[0] != L'?' ? static_cast<uint16_t>(out[0]) : 0;
}

}  // namespace

TEST(Cp932Table, EveryUnitConvertsAsIconvDoes) {
    for (uint32_t unit = 1; unit <= 0xFFFF; ++unit)
        ASSERT_EQ(cp932_code(static_cast<uint16_t>(unit)), iconv_code(static_cast<wchar_t>(unit)))
            << "U+" << std::hex << unit;
}

TEST(Cp932Table, EveryCodeDecodesAsIconvDoes) {
    for (int lead = 1; lead <= 0xFF; ++lead) {
        const char single[] = {static_cast<char>(lead), 0};
        ASSERT_EQ(cp932_single(static_cast<uint8_t>(lead)), lead == '?' ? '?' : iconv_unit(single));
        for (int trail = 1; trail <= 0xFF && !cp932_single(static_cast<uint8_t>(lead)); ++trail) {
            const char pair[] = {static_cast<char>(lead), static_cast<char>(trail), 0};
            ASSERT_EQ(cp932_double(static_cast<uint8_t>(lead), static_cast<uint8_t>(trail)), iconv_unit(pair))
                << std::hex << lead << " " << trail;
        }
    }
}
