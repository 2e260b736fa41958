#include "progress.h"

#include <string>

#include "Sfx/run_state.h"

namespace {

// Below this many bytes a test takes well under a second: no progress line.
constexpr uint32_t LONG_ARCHIVE_BYTES = 16u << 20;
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

ProgressLine::ProgressLine(const Console& console, uint32_t total_bytes, const char* label) {
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
