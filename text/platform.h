// The portable core speaks the Win32 vocabulary (file access flags, window
// handles, message-box types). On Windows that is <windows.h>; elsewhere the
// few names the core uses are defined here with their Win32 values, so the
// same code builds natively for tests, fuzzing and the builder.
#pragma once

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else
struct HWND__;
using HWND = HWND__*;

constexpr uint32_t GENERIC_READ = 0x80000000u;
constexpr uint32_t GENERIC_WRITE = 0x40000000u;
constexpr uint32_t FILE_SHARE_READ = 0x1;
constexpr uint32_t FILE_SHARE_WRITE = 0x2;
constexpr uint32_t CREATE_ALWAYS = 2;
constexpr uint32_t OPEN_EXISTING = 3;
constexpr uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr uint32_t FILE_BEGIN = 0;
constexpr uint32_t FILE_CURRENT = 1;
constexpr uint32_t FILE_END = 2;

constexpr uint32_t MB_OK = 0x0;
constexpr uint32_t MB_ICONERROR = 0x10;
constexpr uint32_t MB_ICONWARNING = 0x30;
#endif
