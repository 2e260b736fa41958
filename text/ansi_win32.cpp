#include "ansi.h"

#include <windows.h>

size_t ansi_to_utf16(const char* bytes, wchar_t* out, size_t out_units) {
    int units = MultiByteToWideChar(CP_ACP, 0, bytes, -1, out, static_cast<int>(out_units));
    return units > 0 ? static_cast<size_t>(units) : 0;
}
