// The progress window: the hub of a run. Created hidden at start-up, it shows
// the destination dialog, starts the worker, shows the member being extracted
// and the progress bar, turns the abort button into the abort flag, and when
// the worker reports the end, makes the shortcuts, opens the configured
// program and closes, which ends the process.
#pragma once

#include <windows.h>

#include "sfx_app.h"

constexpr wchar_t SFX_WINDOW_CLASS[] = L"VORNSFXCLASS";

// Creates the window and its controls hidden and posts WM_SFX_START to it.
// False (nothing left behind) when a window cannot be created.
bool create_progress_window(CSfxApp& app);

LRESULT CALLBACK sfx_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Makes the destination current and starts the worker thread.
bool start_worker(CSfxApp& app);

// True from the worker's start until it has posted its final message.
bool worker_running();

// Shows text (shortened in place to fit the label) as the current member.
void show_current_name(CSfxApp& app, wchar_t* text);

// Opens the configured program in the destination through the shell.
void run_after_extraction(CSfxApp& app);
