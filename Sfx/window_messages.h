// The private messages of the progress window, in the application range.
#pragma once

#include <windows.h>

// Posted to the window once it exists: show the dialog, start the worker.
constexpr UINT WM_SFX_START = WM_APP;
// Sent by the worker before each member; lParam points to the member's path
// text, which stays valid until the message has been handled.
constexpr UINT WM_SFX_SHOW_NAME = WM_APP + 1;
// Posted by the worker as its last act: the run ended and was not aborted
// (CSfxApp::failed tells whether every member came out whole) ...
constexpr UINT WM_SFX_DONE = WM_APP + 3;
// ... or the user aborted it.
constexpr UINT WM_SFX_ABORTED = WM_APP + 4;
