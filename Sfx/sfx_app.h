// CSfxApp: the application object that ties a run together. One exists per
// process, a local of the entry point; the window, the dialog and the worker
// all get its address.
#pragma once

#include <cstdint>
#include <memory>

#include "config.h"
#include "text/platform.h"
#include "text/wide_sz.h"
#include "text/win_file.h"

struct CSfxApp {
    // The program's own file, positioned by start-up at the first archive header.
    std::unique_ptr<CWinFile> archive;
    HWND main_window = nullptr;   // the progress window, owner of the run's messages
    HWND name_label = nullptr;    // shows the member being extracted
    HWND abort_button = nullptr;
    // The member file being written (deleted on abort); empty between members.
    CWideSz current_output;
    CWideSz destination;     // the extraction folder
    CSfxConfig config;
    uint8_t failed = 0;  // set once a member's extraction failed
};
