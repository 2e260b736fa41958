// Where the commands' text goes. The program prints to standard output and
// standard error; tests capture both into strings. All text is UTF-8.
#pragma once

#include <cstdint>
#include <string>

struct Console {
    // When set, text is appended here instead of being printed.
    std::string* captured_out = nullptr;
    std::string* captured_err = nullptr;
    // Standard error is a terminal: a progress line may be drawn there.
    bool progress_allowed = false;
    // When set, told of the bytes packed so far of all to pack (a page's
    // progress bar); called whether or not a progress line is drawn.
    void (*report_packing)(uint64_t done, uint64_t total) = nullptr;

    void out(const std::string& text) const;
    void err(const std::string& text) const;
};

// The process's own standard output and error.
Console process_console();
