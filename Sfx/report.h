// Error reporting: every message box of the program goes through here.
//
// Failures are shown where they happen and passed up only as a false or empty
// result. Tests install a hook that records each message (owner, text,
// caption, type) instead of showing a modal box.
#pragma once

#include <cstdint>

#include "text/platform.h"

using MessageHook = int (*)(HWND owner, const wchar_t* text, const wchar_t* caption,
                            uint32_t type);

// Installs the hook (null: show messages normally).
void set_message_hook(MessageHook hook);

// Shows one message: a message box on Windows, standard error natively.
// A null caption means the system's default caption.
int show_message(HWND owner, const wchar_t* text, const wchar_t* caption, uint32_t type);

// Shows the system's own text for an error code, or the code in signed decimal
// when the system has none; no owner, default caption.
void show_system_error(uint32_t code, uint32_t type);

// show_system_error with the calling thread's last error and the warning icon.
// Call it right after the failing system call.
void report_last_error();

// Shows text (zero-terminated, ANSI code page) owned by owner, then ends the
// process with exit status 1.
[[noreturn]] void fatal_error(HWND owner, const char* ansi_text);

// The exit status of a process that fatal_error ended.
constexpr int EXIT_FATAL_ERROR = 1;
