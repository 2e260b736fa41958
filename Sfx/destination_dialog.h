// The destination dialog: the user confirms or changes the folder and picks
// the offered shortcuts before anything is extracted.
#pragma once

#include <windows.h>

#include "sfx_app.h"

// Result: 0 confirmed; 1 cancelled, or the destination could not be made.
INT_PTR CALLBACK destination_dlg_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Makes path the current directory, creating it (and its parents) when
// missing. False after the user was told the folder cannot be created.
bool prepare_destination(CSfxApp& app, const wchar_t* path);
