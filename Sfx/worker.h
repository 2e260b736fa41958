// The extraction run: the procedure of the one worker thread.
#pragma once

#include "sfx_app.h"

// Extracts the archive from app.archive's position to its end into the
// current folder, member by member, and tells app.main_window what it does:
// WM_SFX_SHOW_NAME (sent) before a member, for at most about thirty small
// members a second, and always for a large one, the last one and one that is
// reported; then
// WM_SFX_DONE or, after an abort, WM_SFX_ABORTED (posted) as its last act. A
// member that fails, and a header that cannot be read, set app.failed and end
// the run. The engine's buffers are freed at the end.
void extraction_worker(CSfxApp& app);

// Shows the current member's name if the worker has held it back; called
// before a message about the member, so the window names what the message is
// about.
void show_unshown_name(CSfxApp& app);

// Tells the shell of event (SHCNE_UPDATEDIR for a folder written into) at
// member_path, relative to the destination.
void notify_shell(CSfxApp& app, const wchar_t* member_path, LONG event);
