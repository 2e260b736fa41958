#include "wide_sz.h"

#include <cwchar>

#include "ansi.h"
#include "format_wide.h"
#include "wide_alloc.h"
#include "wide_string.h"

namespace {

constexpr size_t NUMBER_UNITS = 16;  // "-2147483648" and the terminator fit

wchar_t* duplicate(const wchar_t* text, size_t count) {
    wchar_t* copy = allocate_units(count);
    if (count > 0) std::wmemcpy(copy, text, count);
    copy[count] = 0;
    return copy;
}

bool is_separator(wchar_t c) {
    return c == L'\\' || c == L'/' || c == 0xFFFF;
}

}  // namespace

CWideSz::CWideSz(const wchar_t* text) {
    if (text) chars_ = duplicate(text, units_in(text));
}

CWideSz::CWideSz(const wchar_t* text, size_t max_units) {
    if (!text) return;
    size_t count = 0;
    while (count < max_units && text[count]) ++count;
    chars_ = duplicate(text, count);
}

CWideSz::CWideSz(const CWideString& text) : CWideSz(text.c_str(), text.length()) {}

CWideSz::CWideSz(const char* ansi_bytes) {
    assign_ansi(ansi_bytes);
}

CWideSz CWideSz::from_number(int32_t value) {
    wchar_t digits[NUMBER_UNITS];
    format_wide(digits, NUMBER_UNITS, L"%d", value);
    return CWideSz(digits);
}

CWideSz::CWideSz(const CWideSz& other) : CWideSz(other.chars_) {}

CWideSz::CWideSz(CWideSz&& other) noexcept : chars_(other.chars_) {
    other.chars_ = nullptr;
}

CWideSz& CWideSz::operator=(const CWideSz& other) {
    if (this != &other) take(other.chars_ ? duplicate(other.chars_, other.length()) : nullptr);
    return *this;
}

CWideSz& CWideSz::operator=(CWideSz&& other) noexcept {
    if (this != &other) {
        delete[] chars_;
        chars_ = other.chars_;
        other.chars_ = nullptr;
    }
    return *this;
}

CWideSz& CWideSz::operator=(const wchar_t* text) {
    if (text != chars_) take(duplicate(text, units_in(text)));
    return *this;
}

CWideSz::~CWideSz() {
    delete[] chars_;
}

void CWideSz::take(wchar_t* chars) {
    delete[] chars_;
    chars_ = chars;
}

void CWideSz::assign_ansi(const char* ansi_bytes) {
    take(nullptr);
    if (!ansi_bytes) return;
    size_t needed = ansi_to_utf16(ansi_bytes, nullptr, 0);
    // A failed conversion still leaves a present, empty text.
    wchar_t* converted = allocate_units(needed);
    std::wmemset(converted, 0, needed + 1);
    if (needed > 0) ansi_to_utf16(ansi_bytes, converted, needed);
    take(converted);
}

size_t CWideSz::length() const {
    return units_in(chars_);
}

void CWideSz::append_units(const wchar_t* text, size_t count) {
    size_t old_length = length();
    wchar_t* joined = allocate_units(old_length + count);
    if (old_length > 0) std::wmemcpy(joined, chars_, old_length);
    if (count > 0) std::wmemcpy(joined + old_length, text, count);
    joined[old_length + count] = 0;
    take(joined);
}

CWideSz& CWideSz::operator+=(const CWideSz& other) {
    append_units(other.c_str(), other.length());
    return *this;
}

CWideSz& CWideSz::operator+=(const wchar_t* text) {
    append_units(text ? text : L"", units_in(text));
    return *this;
}

CWideSz& CWideSz::operator+=(wchar_t c) {
    append_units(&c, 1);
    return *this;
}

void CWideSz::ensure_trailing(wchar_t c) {
    size_t count = length();
    if (!present() || count == 0 || chars_[count - 1] != c) *this += c;
}

void CWideSz::replace_separators(wchar_t c) {
    for (wchar_t* p = chars_; p && *p; ++p)
        if (is_separator(*p)) *p = c;
}
