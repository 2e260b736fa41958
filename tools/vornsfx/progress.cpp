#include "progress.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "Sfx/run_state.h"

namespace {

// Below this many bytes a test takes well under a second: no progress line.
constexpr uint64_t LONG_ARCHIVE_BYTES = 16u << 20;
constexpr char ERASE_LINE[] = "\r                  \r";

const Console* progress_console = nullptr;
const char* progress_label = "";
bool line_drawn = false;

void draw(uint32_t percent) {
    if (!progress_console) return;
    progress_console->err("\r" + std::string(progress_label) + ": " + std::to_string(percent) +
                          "%");
    line_drawn = true;
}

}  // namespace

ProgressLine::ProgressLine(const Console& console, uint64_t total_bytes, const char* label) {
    reset_run_state();
    shown_ = console.progress_allowed && total_bytes >= LONG_ARCHIVE_BYTES;
    if (!shown_) return;
    progress_total = total_bytes;
    progress_console = &console;
    progress_label = label;
    set_progress_sink(draw);
}

ProgressLine::~ProgressLine() {
    clear();
    set_progress_sink(nullptr);
    progress_console = nullptr;
    reset_run_state();
}

void ProgressLine::clear() {
    if (!shown_ || !line_drawn || !progress_console) return;
    progress_console->err(ERASE_LINE);
    line_drawn = false;
}

namespace {

constexpr double REDRAW_SECONDS = 0.2;
constexpr int BAR_CELLS = 30;
constexpr int TEXT_AFTER_BAR = 40;  // " 1234.5 of 1234.5 MB, 123.4 MB/s", and more
constexpr double MEGABYTE = 1e6;

double now_seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

ByteProgress::ByteProgress(const Console& console, uint64_t total_bytes, bool quiet)
    : console_(console),
      shown_(console.progress_allowed && !quiet),
      total_(total_bytes),
      started_(now_seconds()) {}

ByteProgress::~ByteProgress() {
    if (shown_ && drawn_at_ > 0) console_.err("\r" + std::string(BAR_CELLS + TEXT_AFTER_BAR, ' ') + "\r");
}

void ByteProgress::advance(uint64_t bytes) {
    done_ += bytes;
    if (console_.report_packing) console_.report_packing(done_, total_);
    if (!shown_) return;
    double now = now_seconds();
    if (now - drawn_at_ < REDRAW_SECONDS) return;
    drawn_at_ = now;
    int cells = total_ ? static_cast<int>(done_ * BAR_CELLS / total_) : BAR_CELLS;
    double speed = done_ / MEGABYTE / std::max(now - started_, 1e-3);
    char text[128];
    std::snprintf(text, sizeof text, "\r[%-*s] %.1f of %.1f MB, %.1f MB/s", BAR_CELLS,
                  std::string(static_cast<size_t>(cells), '#').c_str(), done_ / MEGABYTE,
                  total_ / MEGABYTE, speed);
    console_.err(text);
}
