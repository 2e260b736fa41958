// Shortcuts (.lnk shell links) to the extracted program, made after a
// successful run in the folders the user chose.
#pragma once

#include "sfx_app.h"

// One shortcut for each option byte with OPTION_CHOSEN: Start menu, desktop, Send To.
void create_shortcuts(CSfxApp& app);

// Makes one shortcut in the shell folder csidl; failures are silent.
void create_shortcut_in(CSfxApp& app, int csidl);
