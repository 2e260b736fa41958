// Member paths as text: the stored path of a member made into a relative path
// that can only name something inside the destination folder, the parent of a
// path, and a path shortened to fit a message.
//
// Pure text, no file system: the same rules run natively and on Windows.
#pragma once

#include <cstddef>

#include "text/wide_string.h"
#include "text/wide_sz.h"

// Rewrites a member's stored path, in place, into the relative path it is
// written to. The result uses '/' between components and holds no drive,
// root, device or network prefix, no "." or ".." component, no component
// that Windows would read as a device, and no character Windows forbids in
// a name. Safe names keep their meaning: "dir/sub/file.txt" stays as it is.
// An absent text is left alone; a path with nothing usable left becomes "".
void sanitize_member_path(CWideSz& path);

// Cuts path to its parent folder ("a/b/c" and "a/b/" give "a/b" and "a").
// False, and path unchanged, when there is no parent to cut to: an empty or
// one-character text, no separator after the first character, or a folder
// in a drive root ("C:\x").
bool parent_directory(CWideString& path);

// path when it has at most max_units units; otherwise an ellipsis and as much
// of the path's end as fits, so the file name stays visible in a message of
// fixed size. A surrogate pair is never split.
CWideSz fit_path(const wchar_t* path, size_t max_units);
