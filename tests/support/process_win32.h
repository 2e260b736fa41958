// Starting Windows programs from tests and waiting for them with a limit.
#pragma once

#include <windows.h>

#include <string>

struct ProcessResult {
    bool started = false;
    bool timed_out = false;  // the program was killed at the limit
    DWORD exit_code = 0;
};

// Runs program with the given argument text in folder and waits at most
// timeout_ms.
ProcessResult run_program(const std::wstring& program, const std::wstring& folder,
                          DWORD timeout_ms, const std::wstring& arguments = std::wstring());
