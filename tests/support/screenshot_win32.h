// Screenshots for the tests: what the screen shows of a window, as pixels
// for the PNG writer.
#pragma once

#include <windows.h>

#include "png_writer.h"

// The screen's pixels inside area (screen coordinates); empty on failure.
RgbImage capture_screen_area(const RECT& area);
// The window as it appears on the screen, frame included.
RgbImage capture_window(HWND window);
// The same once its picture has settled: Wine paints a window when its
// program gets round to it and copies the picture to the X screen later
// still, so a window just shown or changed is often captured blank. Asks for
// a fresh paint, then waits until two captures agree (or the limit passes,
// for a window that keeps changing, such as a moving progress bar).
RgbImage capture_settled_window(HWND window);
