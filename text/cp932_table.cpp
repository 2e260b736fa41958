// The decoding tables come from the build (scripts/make-shift-jis-table): one
// entry per single byte, and one per double-byte code over the lead bytes
// 0x81-0x9F and 0xE0-0xFC and the trail bytes 0x40-0xFC. Encoding inverts
// them once, on first use, into a table indexed by the UTF-16 unit, leaving
// out the codes the converter only reads (duplicates of other codes), so a
// name converts back to the very bytes the native converter gives.
#include "cp932_table.h"

#include <vector>

namespace {

#include "cp932_table.inc"

constexpr uint8_t FIRST_TRAIL = 0x40;
constexpr uint8_t LAST_TRAIL = 0xFC;
constexpr int TRAILS = LAST_TRAIL - FIRST_TRAIL + 1;
constexpr uint8_t LOW_LEADS_END = 0xA0;  // lead bytes 0x81-0x9F, then 0xE0-0xFC
constexpr uint8_t FIRST_LEAD = 0x81;
constexpr uint8_t HIGH_FIRST_LEAD = 0xE0;
constexpr uint8_t LAST_LEAD = 0xFC;
constexpr int UNITS = 0x10000;

int lead_row(uint8_t lead) {
    if (lead >= FIRST_LEAD && lead < LOW_LEADS_END) return lead - FIRST_LEAD;
    if (lead >= HIGH_FIRST_LEAD && lead <= LAST_LEAD)
        return LOW_LEADS_END - FIRST_LEAD + lead - HIGH_FIRST_LEAD;
    return -1;
}

bool decode_only(uint16_t code) {
    for (uint16_t other : CP932_DECODE_ONLY)
        if (other == code) return true;
    return false;
}

std::vector<uint16_t> make_codes() {
    std::vector<uint16_t> codes(UNITS, 0);
    for (int byte = 1; byte < 0x100; ++byte)
        if (CP932_SINGLE[byte] && !decode_only(static_cast<uint16_t>(byte)))
            codes[CP932_SINGLE[byte]] = static_cast<uint16_t>(byte);
    for (int lead = FIRST_LEAD; lead <= LAST_LEAD; ++lead) {
        for (int trail = FIRST_TRAIL; trail <= LAST_TRAIL; ++trail) {
            uint16_t unit = cp932_double(static_cast<uint8_t>(lead), static_cast<uint8_t>(trail));
            uint16_t code = static_cast<uint16_t>(lead << 8 | trail);
            if (unit && !decode_only(code)) codes[unit] = code;
        }
    }
    return codes;
}

}  // namespace

uint16_t cp932_single(uint8_t byte) {
    return CP932_SINGLE[byte];
}

uint16_t cp932_double(uint8_t lead, uint8_t trail) {
    int row = lead_row(lead);
    if (row < 0 || trail < FIRST_TRAIL || trail > LAST_TRAIL) return 0;
    return CP932_DOUBLE[row * TRAILS + (trail - FIRST_TRAIL)];
}

uint16_t cp932_code(uint16_t unit) {
    static const std::vector<uint16_t> codes = make_codes();
    return codes[unit];
}
