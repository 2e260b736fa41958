#include "run_state.h"

#ifdef _WIN32
#include <commctrl.h>
#endif

std::atomic<int32_t> keep_going{1};
uint64_t progress_total;
uint64_t progress_done;
uint32_t progress_percent;

namespace {

constexpr uint64_t PERCENT = 100;
// Up to this total the percentage is computed as done × 100 / total; above it
// as done / (total / 100), whose truncated divisor lets the reading pass 100
// (the bar stays full). The second form was chosen where the product could
// overflow 32 bits; it stays, so every total reads as it always has.
constexpr uint64_t PRODUCT_FORM_LIMIT = 1000;

ProgressSink progress_sink = nullptr;
HWND bar_window = nullptr;

void move_bar(uint32_t percent);

}  // namespace

void report_progress(uint32_t n) {
    if (progress_total == 0) return;
    progress_done += n;
    const uint64_t reading = progress_total <= PRODUCT_FORM_LIMIT
                                 ? progress_done * PERCENT / progress_total
                                 : progress_done / (progress_total / PERCENT);
    const uint32_t percent = static_cast<uint32_t>(reading < UINT32_MAX ? reading : UINT32_MAX);
    if (percent == progress_percent) return;
    progress_percent = percent;
    move_bar(percent);
}

void set_progress_sink(ProgressSink sink) {
    progress_sink = sink;
}

void set_progress_bar(HWND bar) {
    bar_window = bar;
}

HWND progress_bar() {
    return bar_window;
}

void reset_run_state() {
    keep_going.store(1, std::memory_order_relaxed);
    progress_total = progress_done = progress_percent = 0;
}

namespace {

void move_bar(uint32_t percent) {
    if (progress_sink) {
        progress_sink(percent);
        return;
    }
#ifdef _WIN32
    // Sent, not posted: the worker waits until the bar has moved.
    if (bar_window) SendMessageW(bar_window, PBM_SETPOS, percent, 0);
#endif
}

}  // namespace
