// The builder's entry point in a web page (WebAssembly). The page's worker
// writes the dropped files into the in-memory file system, then calls
// vornsfx_run with the command line as main() would get it (UTF-8 words, each
// ended by a zero byte) and reads back what the command printed. The module
// stays loaded between runs, so one worker builds, lists and tests in turn.
#include <emscripten.h>

#include <cstdlib>
#include <string>

#include "commands.h"

namespace {

constexpr char EPOCH_VARIABLE[] = "SOURCE_DATE_EPOCH";

std::string printed_out;
std::string printed_err;

// The worker sets Module.onPacking to forward the bytes packed so far to the
// page's progress bar; the page is told from the worker thread, so packing is
// never held up by drawing.
EM_JS(void, tell_page_packed, (double done, double total), {
    if (Module.onPacking) Module.onPacking(done, total);
});

void report_packing(uint64_t done, uint64_t total) {
    tell_page_packed(static_cast<double>(done), static_cast<double>(total));
}

Arguments split_words(const char* words, size_t length) {
    Arguments args;
    for (size_t start = 0; start < length;) {
        std::string word(words + start);
        start += word.size() + 1;
        args.push_back(word);
    }
    return args;
}

}  // namespace

extern "C" {

// Runs one command; epoch, when not empty, stands for SOURCE_DATE_EPOCH (no
// member time later than it). Returns the exit status the program would.
EMSCRIPTEN_KEEPALIVE int vornsfx_run(const char* words, size_t length, const char* epoch) {
    if (epoch && *epoch)
        setenv(EPOCH_VARIABLE, epoch, 1);
    else
        unsetenv(EPOCH_VARIABLE);
    printed_out.clear();
    printed_err.clear();
    Console console;
    console.captured_out = &printed_out;
    console.captured_err = &printed_err;
    console.report_packing = report_packing;
    return run_vornsfx(split_words(words, length), console);
}

// What the last command wrote to standard output and standard error.
EMSCRIPTEN_KEEPALIVE const char* vornsfx_out() {
    return printed_out.c_str();
}

EMSCRIPTEN_KEEPALIVE const char* vornsfx_err() {
    return printed_err.c_str();
}

}  // extern "C"
