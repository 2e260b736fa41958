#include "report.h"

#include <cstdlib>

#include "text/wide_sz.h"

// Implemented by the platform's back end.
int present_message(HWND owner, const wchar_t* text, const wchar_t* caption, uint32_t type);

namespace {
MessageHook message_hook = nullptr;
}

void set_message_hook(MessageHook hook) {
    message_hook = hook;
}

int show_message(HWND owner, const wchar_t* text, const wchar_t* caption, uint32_t type) {
    if (message_hook) return message_hook(owner, text, caption, type);
    return present_message(owner, text, caption, type);
}

void fatal_error(HWND owner, const char* ansi_text) {
    CWideSz text(ansi_text);
    show_message(owner, text.c_str(), nullptr, MB_OK);
    std::exit(EXIT_FATAL_ERROR);
}
