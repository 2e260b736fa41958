// ANSI conversion from the code page 932 tables, for builds without iconv's
// CP932. It matches the iconv back end: a byte that starts no character of
// the code page (or a lead byte whose trail byte makes none) becomes '?', and
// decoding goes on at the next byte.
#include <cstdint>
#include <cstring>
#include <vector>

#include "ansi.h"
#include "cp932_table.h"

namespace {

constexpr wchar_t REPLACEMENT = L'?';

std::vector<uint16_t> decode(const char* text) {
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text);
    size_t length = std::strlen(text);
    std::vector<uint16_t> units;
    for (size_t i = 0; i < length; ++i) {
        uint16_t unit = cp932_single(bytes[i]);
        if (!unit && i + 1 < length) {
            unit = cp932_double(bytes[i], bytes[i + 1]);
            if (unit) ++i;
        }
        units.push_back(unit ? unit : REPLACEMENT);
    }
    return units;
}

}  // namespace

// Only code page 932 has tables here; other names are ignored.
void set_ansi_charset(const char*) {}

size_t ansi_to_utf16(const char* bytes, wchar_t* out, size_t out_units) {
    std::vector<uint16_t> units = decode(bytes);
    size_t needed = units.size() + 1;
    if (!out || out_units == 0) return needed;
    if (out_units < needed) return 0;
    for (size_t i = 0; i < units.size(); ++i) out[i] = units[i];
    out[units.size()] = 0;
    return needed;
}
