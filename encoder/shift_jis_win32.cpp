// Windows back end: code page 932 without best-fit mappings.
#include <windows.h>

#include "shift_jis.h"

namespace {
constexpr UINT SHIFT_JIS = 932;
}

bool to_shift_jis(const std::wstring& utf16, std::string& out) {
    out.clear();
    if (utf16.empty()) return true;
    BOOL defaulted = FALSE;
    int size = WideCharToMultiByte(SHIFT_JIS, WC_NO_BEST_FIT_CHARS, utf16.data(),
                                   static_cast<int>(utf16.size()), nullptr, 0, nullptr, &defaulted);
    if (size <= 0 || defaulted) return false;
    out.assign(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(SHIFT_JIS, WC_NO_BEST_FIT_CHARS, utf16.data(),
                        static_cast<int>(utf16.size()), &out[0], size, nullptr, &defaulted);
    return !defaulted;
}
