// The system's own text for an error code, as the program's system-error
// message shows it.
#pragma once

#include <windows.h>

#include <string>

inline std::wstring system_text(DWORD code) {
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code,
                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text), 0,
                   nullptr);
    std::wstring copy = text ? text : L"";
    LocalFree(text);
    return copy;
}
