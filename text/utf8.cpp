#include "utf8.h"

#include <cstdint>

namespace {

constexpr uint32_t REPLACEMENT = 0xFFFD;
constexpr uint32_t SURROGATE_FIRST = 0xD800;
constexpr uint32_t LOW_SURROGATE_FIRST = 0xDC00;
constexpr uint32_t SURROGATE_END = 0xE000;
constexpr uint32_t SUPPLEMENTARY_FIRST = 0x10000;
// A name's byte that is no part of valid UTF-8 stands as ESCAPE_FIRST + byte:
// a lone low surrogate, which valid UTF-8 never yields.
constexpr uint32_t ESCAPE_FIRST = 0xDC00;
constexpr uint32_t ESCAPED_BYTE_FIRST = 0x80;  // bytes under 0x80 are always valid

void put_utf16(std::wstring& out, uint32_t code_point) {
    if (code_point < SUPPLEMENTARY_FIRST) {
        out.push_back(static_cast<wchar_t>(code_point));
        return;
    }
    code_point -= SUPPLEMENTARY_FIRST;
    out.push_back(static_cast<wchar_t>(SURROGATE_FIRST + (code_point >> 10)));
    out.push_back(static_cast<wchar_t>(LOW_SURROGATE_FIRST + (code_point & 0x3FF)));
}

void put_utf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | c >> 6));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < SUPPLEMENTARY_FIRST) {
        out.push_back(static_cast<char>(0xE0 | c >> 12));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | c >> 18));
        out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Length of the UTF-8 sequence led by this byte, 0 for a byte that cannot lead.
size_t sequence_length(uint8_t lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead < 0xE0) return 2;
    if (lead >= 0xE0 && lead < 0xF0) return 3;
    if (lead >= 0xF0 && lead < 0xF5) return 4;
    return 0;
}

std::wstring decode(const std::string& text, bool escape) {
    std::wstring out;
    for (size_t i = 0; i < text.size();) {
        uint8_t lead = static_cast<uint8_t>(text[i]);
        size_t length = sequence_length(lead);
        const uint32_t invalid = escape ? ESCAPE_FIRST + lead : REPLACEMENT;
        if (length == 0 || i + length > text.size()) {
            put_utf16(out, invalid);
            ++i;
            continue;
        }
        uint32_t c = length == 1 ? lead : lead & (0x7F >> length);
        bool valid = true;
        for (size_t k = 1; k < length; ++k) {
            uint8_t next = static_cast<uint8_t>(text[i + k]);
            valid = valid && (next & 0xC0) == 0x80;
            c = c << 6 | (next & 0x3F);
        }
        bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < SUPPLEMENTARY_FIRST);
        if (!valid || overlong || c > 0x10FFFF || (c >= SURROGATE_FIRST && c < SURROGATE_END)) {
            put_utf16(out, invalid);
            ++i;
            continue;
        }
        put_utf16(out, c);
        i += length;
    }
    return out;
}

std::string encode(const wchar_t* units, size_t count, bool escape) {
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        uint32_t c = static_cast<uint32_t>(units[i]) & 0xFFFF;
        bool high = c >= SURROGATE_FIRST && c < LOW_SURROGATE_FIRST;
        bool low = c >= LOW_SURROGATE_FIRST && c < SURROGATE_END;
        if (high && i + 1 < count) {
            uint32_t next = static_cast<uint32_t>(units[i + 1]) & 0xFFFF;
            if (next >= LOW_SURROGATE_FIRST && next < SURROGATE_END) {
                put_utf8(out, SUPPLEMENTARY_FIRST + ((c - SURROGATE_FIRST) << 10) +
                                  (next - LOW_SURROGATE_FIRST));
                ++i;
                continue;
            }
        }
        if (escape && c >= ESCAPE_FIRST + ESCAPED_BYTE_FIRST && c < ESCAPE_FIRST + 0x100)
            out.push_back(static_cast<char>(c - ESCAPE_FIRST));
        else
            put_utf8(out, high || low ? REPLACEMENT : c);
    }
    return out;
}

}  // namespace

std::wstring utf8_to_utf16(const std::string& text) {
    return decode(text, false);
}

std::string utf16_to_utf8(const wchar_t* units, size_t count) {
    return encode(units, count, false);
}

std::string utf16_to_utf8(const std::wstring& units) {
    return utf16_to_utf8(units.data(), units.size());
}

std::wstring path_to_utf16(const std::string& bytes) {
    return decode(bytes, true);
}

std::string path_to_bytes(const std::wstring& units) {
    return encode(units.data(), units.size(), true);
}

std::string path_to_bytes(const wchar_t* units) {
    return encode(units, std::char_traits<wchar_t>::length(units), true);
}
