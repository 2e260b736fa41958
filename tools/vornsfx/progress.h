// Decoding progress on a terminal. The engine reports percentages of all
// members' bytes through the run state's progress sink; they are drawn on one
// line of standard error that each result line then replaces. Short archives
// and output that is not a terminal get no progress line.
#pragma once

#include <cstdint>

#include "console.h"

class ProgressLine {
public:
    // Resets the run state for a new run over total_bytes of members; label
    // says what is going on ("testing", "verifying").
    ProgressLine(const Console& console, uint64_t total_bytes, const char* label);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Erases the progress line so that a result line can take its place.
    void clear();

private:
    bool shown_ = false;
};

// Packing progress on a terminal: a bar of bytes read of bytes total and the
// speed, redrawn a few times a second on one line of standard error and
// erased at the end. Nothing when standard error is no terminal or when quiet.
class ByteProgress {
public:
    ByteProgress(const Console& console, uint64_t total_bytes, bool quiet);
    ~ByteProgress();
    ByteProgress(const ByteProgress&) = delete;
    ByteProgress& operator=(const ByteProgress&) = delete;

    void advance(uint64_t bytes);

private:
    const Console& console_;
    bool shown_;
    uint64_t total_;
    uint64_t done_ = 0;
    double started_;
    double drawn_at_ = 0;
};
