// Native back end of the reporting functions: messages go to standard error.
#include "report.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "text/utf8.h"

int present_message(HWND /*owner*/, const wchar_t* text, const wchar_t* caption,
                    uint32_t /*type*/) {
    std::string line;
    if (caption) line = utf16_to_utf8(caption, std::wcslen(caption)) + ": ";
    line += utf16_to_utf8(text, std::wcslen(text));
    std::fprintf(stderr, "%s\n", line.c_str());
    return 0;
}

void show_system_error(uint32_t code, uint32_t type) {
    std::wstring text = utf8_to_utf16(std::strerror(static_cast<int>(code)));
    show_message(nullptr, text.c_str(), nullptr, type);
}

void report_last_error() {
    show_system_error(static_cast<uint32_t>(errno), MB_ICONWARNING);
}
