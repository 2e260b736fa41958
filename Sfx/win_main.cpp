// The stub's entry point: the life of the process.
#include <windows.h>

#include <new>

#include "progress_window.h"
#include "startup.h"

namespace {
// Start-up failed: no window was shown and nothing was extracted.
constexpr int EXIT_STARTUP_FAILED = 2;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int /*show*/) {
    harden_dll_search();
    int status = EXIT_STARTUP_FAILED;
    {
        CSfxApp app;
        try {
            if (!init_instance(app, instance) || !create_progress_window(app)) return status;
        } catch (const std::bad_alloc&) {
            return status;  // no memory for the configuration's texts: nothing was shown
        }
        status = run_message_loop();
        // Closed while the worker still extracts: the worker uses the
        // application object and the archive, so the process ends here, with
        // the worker, before anything is released.
        if (worker_running()) ExitProcess(static_cast<UINT>(status));
    }
    return status;
}
