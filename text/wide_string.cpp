#include "wide_string.h"

#include <cwchar>
#include <utility>

#include "crt_path.h"
#include "wide_alloc.h"

CWideString::CWideString() : chars_(allocate_units(0)) {
    chars_[0] = 0;
}

CWideString::CWideString(const wchar_t* text) : CWideString() {
    size_t count = units_in(text);
    if (count > 0) assign(text, text + count);
}

CWideString::CWideString(const wchar_t* text, size_t count) : chars_(allocate_units(count)) {
    if (count > 0) std::wmemcpy(chars_, text, count);
    chars_[count] = 0;
    length_ = capacity_ = count;
}

CWideString::CWideString(const CWideString& other) : CWideString() {
    if (!other.empty()) assign(other.chars_, other.chars_ + other.length_);
}

CWideString::CWideString(CWideString&& other) : CWideString() {
    // The moved-from object keeps this one's fresh empty buffer.
    *this = std::move(other);
}

CWideString& CWideString::operator=(const CWideString& other) {
    if (this != &other) assign(other.chars_, other.chars_ + other.length_);
    return *this;
}

CWideString& CWideString::operator=(CWideString&& other) noexcept {
    std::swap(chars_, other.chars_);
    std::swap(length_, other.length_);
    std::swap(capacity_, other.capacity_);
    return *this;
}

CWideString& CWideString::operator=(const wchar_t* text) {
    CWideString built(text);
    *this = std::move(built);
    return *this;
}

CWideString::~CWideString() {
    delete[] chars_;
}

void CWideString::reserve(size_t count, size_t spare) {
    if (capacity_ >= count) return;
    size_t wanted = count + spare;
    wchar_t* grown = allocate_units(wanted);
    std::wmemcpy(grown, chars_, length_ + 1);
    delete[] chars_;
    chars_ = grown;
    capacity_ = wanted;
}

void CWideString::assign(const wchar_t* first, const wchar_t* last) {
    size_t count = static_cast<size_t>(last - first);
    if (capacity_ < count) {
        // The source may lie inside the old buffer: copy before releasing it.
        wchar_t* grown = allocate_units(count);
        std::wmemcpy(grown, first, count);
        delete[] chars_;
        chars_ = grown;
        capacity_ = count;
    } else if (count > 0) {
        std::wmemmove(chars_, first, count);
    }
    length_ = count;
    chars_[length_] = 0;
}

void CWideString::append(const wchar_t* first, const wchar_t* last) {
    size_t count = static_cast<size_t>(last - first);
    if (capacity_ < length_ + count) {
        wchar_t* grown = allocate_units(length_ + count);
        std::wmemcpy(grown, chars_, length_);
        std::wmemcpy(grown + length_, first, count);
        delete[] chars_;
        chars_ = grown;
        capacity_ = length_ + count;
    } else if (count > 0) {
        std::wmemmove(chars_ + length_, first, count);
    }
    length_ += count;
    chars_[length_] = 0;
}

CWideString& CWideString::operator+=(const wchar_t* text) {
    append(text, text + units_in(text));
    return *this;
}

void CWideString::push_back(wchar_t c) {
    reserve(length_ + 1, PUSH_BACK_SPARE);
    chars_[length_++] = c;
    chars_[length_] = 0;
}

void CWideString::resize(size_t count, wchar_t fill) {
    reserve(count);
    for (size_t i = length_; i < count; ++i) chars_[i] = fill;
    length_ = count;
    chars_[length_] = 0;
}

bool split_path(const CWideString& path, CPathParts& parts) {
    wchar_t drive[SPLIT_DRIVE_UNITS];
    wchar_t directory[SPLIT_COMPONENT_UNITS];
    wchar_t name[SPLIT_COMPONENT_UNITS];
    wchar_t extension[SPLIT_COMPONENT_UNITS];
    int failed = crt_split_path(path.c_str(), drive, SPLIT_DRIVE_UNITS, directory,
                                SPLIT_COMPONENT_UNITS, name, SPLIT_COMPONENT_UNITS, extension,
                                SPLIT_COMPONENT_UNITS);
    if (failed) {
        parts = CPathParts();
        return false;
    }
    parts.drive = drive;
    parts.directory = directory;
    parts.name = name;
    parts.extension = extension;
    return true;
}
