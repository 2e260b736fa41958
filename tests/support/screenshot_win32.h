// Screenshots for the tests: what the screen shows of a window, as a PNG file.
#pragma once

#include <windows.h>

#include <string>

// Writes the window as it appears on the screen, frame included, to path;
// false when it could not be captured. Wine paints a window when its program
// gets round to it and copies the picture to the X screen later still, so a
// window just shown or changed is often captured blank: this asks for a fresh
// paint, then waits until two captures agree (or a limit passes, for a window
// that keeps changing, such as a moving progress bar).
bool save_screenshot(HWND window, const std::wstring& path);
