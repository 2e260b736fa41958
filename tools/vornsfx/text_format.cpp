#include "text_format.h"

#include "text/utf8.h"

namespace {
constexpr char HEX_DIGITS[] = "0123456789abcdef";
constexpr int HEX_DIGIT_BITS = 4;
constexpr wchar_t FIRST_PRINTABLE = 0x20;
constexpr wchar_t DELETE = 0x7F;
constexpr wchar_t LAST_C1_CONTROL = 0x9F;  // U+0080 to U+009F: the C1 controls
constexpr wchar_t SHOWN_FOR_CONTROL = L'?';

bool is_control(wchar_t c) {
    return c < FIRST_PRINTABLE || (c >= DELETE && c <= LAST_C1_CONTROL);
}
}  // namespace

std::string hex_text(uint64_t value, int min_digits) {
    std::string digits;
    while (value != 0 || static_cast<int>(digits.size()) < min_digits) {
        digits.insert(digits.begin(), HEX_DIGITS[value & 0xF]);
        value >>= HEX_DIGIT_BITS;
    }
    return "0x" + digits;
}

std::string utf8_text(const CWideString& text) {
    return utf16_to_utf8(text.c_str(), text.length());
}

std::string utf8_text(const CWideSz& text) {
    return utf16_to_utf8(text.c_str(), text.length());
}

std::string shown_path(const CWideSz& path) {
    std::wstring units(path.c_str(), path.length());
    for (wchar_t& c : units)
        if (is_control(c)) c = SHOWN_FOR_CONTROL;
    return utf16_to_utf8(units.c_str(), units.size());
}

std::string quoted(const CWideString& text) {
    std::string out = "\"";
    size_t run = 0;  // start of the current run of plain units
    auto flush = [&](size_t end) { out += utf16_to_utf8(text.c_str() + run, end - run); };
    for (size_t i = 0; i < text.length(); ++i) {
        wchar_t c = text[i];
        bool quote = c == L'"' || c == L'\\';
        bool control = c < FIRST_PRINTABLE || c == DELETE;
        if (!quote && !control) continue;
        flush(i);
        run = i + 1;
        if (quote)
            out += std::string("\\") + static_cast<char>(c);
        else
            out += "\\u" + hex_text(static_cast<uint64_t>(c), 4).substr(2);
    }
    flush(text.length());
    return out + "\"";
}
