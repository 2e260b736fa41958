#include "report.h"

#include "messages.h"
#include "text/format_wide.h"

int present_message(HWND owner, const wchar_t* text, const wchar_t* caption, uint32_t type) {
    return MessageBoxW(owner, text, caption, type);
}

void show_system_error(uint32_t code, uint32_t type) {
    wchar_t* system_text = nullptr;
    // Some system texts hold inserts (%1) that only the failing call could
    // fill; without IGNORE_INSERTS such a text would come out garbled or not
    // at all. It is shown with its inserts as written.
    DWORD units = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                 reinterpret_cast<wchar_t*>(&system_text), 0, nullptr);
    if (units > 0 && system_text && system_text[0]) {
        // Shown exactly as the system wrote it, line break included.
        show_message(nullptr, system_text, nullptr, type);
    } else {
        wchar_t number[MESSAGE_UNITS];
        format_wide(number, MESSAGE_UNITS, L"%d", static_cast<int32_t>(code));
        show_message(nullptr, number, nullptr, type);
    }
    LocalFree(system_text);
}

void report_last_error() {
    show_system_error(GetLastError(), MB_ICONWARNING);
}
