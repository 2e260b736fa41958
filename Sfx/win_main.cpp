// The stub's entry point.
#include "config.h"
#include "own_file.h"

namespace {
// Start-up failed: no window was shown and nothing was extracted.
constexpr int EXIT_STARTUP_FAILED = 2;
}

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int /*show*/) {
    CWinFile archive;
    CSfxConfig config;
    if (!open_own_file(archive) || !load_configuration(config, archive))
        return EXIT_STARTUP_FAILED;
    return 0;
}
