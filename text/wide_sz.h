// CWideSz: an owned, zero-terminated UTF-16 text that may be absent.
//
// Used for names, messages and member paths. An absent text (null) reads as
// empty everywhere. Every change allocates a buffer of exactly the size needed,
// fills it, and only then releases the old one, so a text may be extended by
// itself. On Windows a wchar_t is one UTF-16 unit; on other systems each
// wchar_t holds one UTF-16 unit as well (never a whole code point).
#pragma once

#include <cstddef>
#include <cstdint>

class CWideString;

class CWideSz {
public:
    CWideSz() = default;
    explicit CWideSz(const wchar_t* text);
    CWideSz(const wchar_t* text, size_t max_units);
    explicit CWideSz(const CWideString& text);
    explicit CWideSz(const char* ansi_bytes);
    static CWideSz from_number(int32_t value);

    CWideSz(const CWideSz& other);
    CWideSz(CWideSz&& other) noexcept;
    CWideSz& operator=(const CWideSz& other);
    CWideSz& operator=(CWideSz&& other) noexcept;
    CWideSz& operator=(const wchar_t* text);
    ~CWideSz();

    void assign_ansi(const char* ansi_bytes);

    CWideSz& operator+=(const CWideSz& other);
    CWideSz& operator+=(const wchar_t* text);
    CWideSz& operator+=(wchar_t c);

    void ensure_trailing(wchar_t c);
    void replace_separators(wchar_t c);

    bool present() const { return chars_ != nullptr; }
    bool empty() const { return chars_ == nullptr || chars_[0] == 0; }
    size_t length() const;
    // The text, or "" when absent: always safe to read.
    const wchar_t* c_str() const { return chars_ ? chars_ : L""; }
    // The text itself, null when absent; writable in place without growing.
    wchar_t* data() { return chars_; }
    const wchar_t* get() const { return chars_; }

private:
    void take(wchar_t* chars);
    void append_units(const wchar_t* text, size_t count);

    wchar_t* chars_ = nullptr;
};
