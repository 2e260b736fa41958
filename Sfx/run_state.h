// The run state the worker, the engine and the progress window share: the
// abort flag and the progress counters that become positions of the bar.
#pragma once

#include <atomic>
#include <cstdint>

#include "text/platform.h"

// 1 while the run goes on; the window sets it to 0 when the user aborts, and
// never back. Polled without a lock by the worker and the engine: only the
// flag itself is published through it, so relaxed ordering is enough.
extern std::atomic<int32_t> keep_going;

inline bool user_aborted() {
    return keep_going.load(std::memory_order_relaxed) == 0;
}

// Sum of the members' original sizes, set once before the first member. In
// 64 bits: a setup of several members of up to 4 GiB each passes 4 GiB, and a
// 32-bit total and count would wrap there and send the bar back to the start.
extern uint64_t progress_total;
// Bytes reported so far and the percentage last sent to the bar.
extern uint64_t progress_done;
extern uint32_t progress_percent;

// Adds n produced bytes and moves the bar when the whole percentage changes,
// so a run moves it about a hundred times however many chunks are reported.
void report_progress(uint32_t n);

// Where percentages go: the progress bar on Windows (set_progress_bar),
// natively a sink a test or tool installs (null: nowhere).
using ProgressSink = void (*)(uint32_t percent);
void set_progress_sink(ProgressSink sink);
void set_progress_bar(HWND bar);
HWND progress_bar();

// Resets flag and counters to their start values (tests, tools).
void reset_run_state();
