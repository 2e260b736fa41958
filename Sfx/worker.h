// The extraction run: the procedure of the one worker thread.
#pragma once

#include "sfx_app.h"

// Extracts the archive from app.archive's position to its end into the
// current folder, member by member, and tells app.main_window what it does:
// WM_SFX_SHOW_NAME (sent) before each member, then WM_SFX_DONE or, after an
// abort, WM_SFX_ABORTED (posted) as its last act. A member that fails, and a
// header that cannot be read, set app.failed and end the run.
void extraction_worker(CSfxApp& app);

// Tells the shell that the member at member_path (relative to the
// destination) was created.
void notify_shell_created(CSfxApp& app, const wchar_t* member_path);
