#include "wide_alloc.h"

#include <cwchar>
#include <limits>

wchar_t* allocate_units(size_t count) {
    constexpr size_t largest = std::numeric_limits<size_t>::max() / sizeof(wchar_t);
    size_t units = count < largest ? count + 1 : largest;
    return new wchar_t[units];
}

size_t units_in(const wchar_t* text) {
    return text ? std::wcslen(text) : 0;
}
