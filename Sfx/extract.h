// Extraction of one member into the current folder, which the destination
// dialog has made the destination.
#pragma once

#include "member_header.h"
#include "sfx_app.h"
#include "text/wide_sz.h"
#include "text/win_file.h"

// Extracts the member whose header was just read; the archive stands at its
// data. True to go on with the next member (also for a member of an unknown
// method, which is skipped). False to stop the run: the member could not be
// created (a message was shown), its data is damaged (a message was shown and
// app.failed set; the damaged file stays), or the user aborted (the partial
// file is deleted).
bool extract_member(CSfxApp& app, const CMemberHeader& member);

// True when a folder stands where the file path is to be written; the user
// has then been warned.
bool check_folder_clash(CSfxApp& app, const CWideSz& path);

// Gives the open file the member's modification time (access time too).
void set_file_time(CWinFile& file, const CMemberHeader& member);
