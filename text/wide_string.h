// CWideString: a counted UTF-16 text with a capacity.
//
// Used where paths are cut and extended: folder creation, configuration
// strings, path splitting. The buffer always holds capacity + 1 units and the
// text is always terminated, so c_str() can go straight to a system call.
// Growth is exact, except push_back, which keeps a few spare units because
// callers push characters one by one.
#pragma once

#include <cstddef>

class CWideString {
public:
    static constexpr size_t PUSH_BACK_SPARE = 7;

    CWideString();
    CWideString(const wchar_t* text);  // NOLINT: implicit, like a string literal
    CWideString(const wchar_t* text, size_t count);
    CWideString(const CWideString& other);
    CWideString(CWideString&& other);
    CWideString& operator=(const CWideString& other);
    CWideString& operator=(CWideString&& other) noexcept;
    CWideString& operator=(const wchar_t* text);
    ~CWideString();

    void assign(const wchar_t* first, const wchar_t* last);
    void append(const wchar_t* first, const wchar_t* last);
    CWideString& operator+=(const wchar_t* text);
    void push_back(wchar_t c);
    void reserve(size_t count, size_t spare = 0);
    void resize(size_t count, wchar_t fill = 0);

    bool empty() const { return length_ == 0; }
    size_t length() const { return length_; }
    size_t capacity() const { return capacity_; }
    const wchar_t* c_str() const { return chars_; }
    wchar_t* data() { return chars_; }
    wchar_t back() const { return length_ ? chars_[length_ - 1] : 0; }
    wchar_t operator[](size_t i) const { return chars_[i]; }

private:
    wchar_t* chars_;
    size_t length_ = 0;
    size_t capacity_ = 0;
};

// The four components of a path, as the C runtime's path splitter makes them.
struct CPathParts {
    CWideString drive;
    CWideString directory;
    CWideString name;
    CWideString extension;
};

// Component buffer sizes of split_path, terminator included.
constexpr size_t SPLIT_DRIVE_UNITS = 3;
constexpr size_t SPLIT_COMPONENT_UNITS = 256;

// Splits path into drive, folder, name and extension. On failure (a component
// that does not fit its buffer) every part is empty and the result is false.
bool split_path(const CWideString& path, CPathParts& parts);
