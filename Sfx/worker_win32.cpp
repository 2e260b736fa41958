#include "worker.h"

#include <windows.h>

#include <shlobj.h>

#include <new>
#include <utility>

#include "extract.h"
#include "folders.h"
#include "huffman/engine_buffers.h"
#include "huffman/huffman.h"
#include "member_header.h"
#include "paths.h"
#include "report.h"
#include "run_state.h"
#include "window_messages.h"

namespace {

// The label shows a member's name at most this often. Each name is a message
// the worker waits for and a repaint; with thousands of small members that
// cost more than writing them, and nobody reads thirty names a second.
constexpr ULONGLONG NAME_INTERVAL_MS = 33;
// A member this large takes long enough to write that its name is shown at
// once, however recently the label changed: it would stand stale all along.
constexpr uint32_t NAMED_AT_ONCE_SIZE = 1u << 20;

// The name of the member being extracted when it has not been shown yet (a
// copy: the header is read anew, and emptied, before the worker knows that a
// member was the last), and when the label last changed.
CWideSz unshown_name;
bool name_unshown = false;
ULONGLONG name_shown_at = 0;

// Shows a member's stored path; the text is the worker's own copy, valid
// until the window has handled the message.
void show_name(CSfxApp& app, const CWideSz& path) {
    CWideSz shown(path);
    SendMessageW(app.main_window, WM_SFX_SHOW_NAME, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    name_shown_at = GetTickCount64();
    name_unshown = false;
}

// Shows the member's name unless the label changed less than an interval ago
// and the member is small; then it waits for the next member, for the end of
// the run or for a message about this member (show_unshown_name).
void note_name(CSfxApp& app, const CMemberHeader& member) {
    if (member.original_size >= NAMED_AT_ONCE_SIZE ||
        GetTickCount64() - name_shown_at >= NAME_INTERVAL_MS) {
        show_name(app, member.path);
    } else {
        unshown_name = member.path;
        name_unshown = true;
    }
}

// The shell hears of new files a folder at a time. A notice costs more than
// writing a small file does (under Wine 5.4 ms, against 2.4 ms for creating,
// writing, dating and closing one), so instead of a creation notice per member
// each folder written into gets one SHCNE_UPDATEDIR, sent when the run moves
// on to another folder and at its end; the shell then reads that folder anew
// and finds every new file in it. Members come folder by folder, so a run
// sends about as many notices as it has folders.
CWideSz changed_folder;  // relative to the destination
bool folder_changed = false;

void notify_folder_changed(CSfxApp& app) {
    if (!folder_changed) return;
    notify_shell(app, changed_folder.c_str(), SHCNE_UPDATEDIR);
    folder_changed = false;
}

// Notes that the member at written (its path as written) was created.
void note_created(CSfxApp& app, CWideSz written) {
    wchar_t* path = written.data();
    size_t folder_end = 0;  // where the last separator stands, 0: in the destination itself
    for (size_t i = 0; path && path[i]; ++i)
        if (path[i] == L'\\' || path[i] == L'/') folder_end = i;
    if (path) path[folder_end] = 0;
    if (folder_changed && lstrcmpW(written.c_str(), changed_folder.c_str()) == 0) return;
    notify_folder_changed(app);
    changed_folder = std::move(written);
    folder_changed = true;
}

// Extracts member after member until the end, a failure or an abort.
void extract_all(CSfxApp& app) {
    CMemberHeader member;
    while (!user_aborted()) {
        HeaderRead read = read_member_header(*app.archive, app.main_window, member);
        if (read == HeaderRead::end) break;
        if (read == HeaderRead::broken) {  // the reader has shown why
            app.failed = 1;
            break;
        }
        const int64_t data_start = app.archive->seek(0, FILE_CURRENT);
        note_name(app, member);
        if (!extract_member(app, member)) {
            app.failed = 1;
            break;
        }
        // The shell hears of the path that was written, not the stored one.
        CWideSz written(member.path);
        sanitize_member_path(written);
        note_created(app, std::move(written));
        // The engine may have read ahead: the next header follows the data.
        app.archive->seek(data_start + member.packed_size, FILE_BEGIN);
    }
    show_unshown_name(app);  // the last name of a run is always shown
    notify_folder_changed(app);
}

}  // namespace

void extraction_worker(CSfxApp& app) {
    HUFFMAN::build_crc16_table();
    progress_total = scan_total_size(*app.archive);
    name_shown_at = 0;
    folder_changed = false;
    try {
        extract_all(app);
    } catch (const std::bad_alloc&) {
        // Memory for a name or a path ran out (a member's own buffers are
        // handled by its extraction): the run stops as after a failed member.
        app.failed = 1;
        show_system_error(ERROR_NOT_ENOUGH_MEMORY, MB_ICONWARNING);
    }
    name_unshown = false;
    HUFFMAN::release_engine_buffers();
    PostMessageW(app.main_window, user_aborted() ? WM_SFX_ABORTED : WM_SFX_DONE, 0, 0);
}

void show_unshown_name(CSfxApp& app) {
    if (name_unshown) show_name(app, unshown_name);
}

void notify_shell(CSfxApp& app, const wchar_t* member_path, LONG event) {
    CWideSz path = app.destination.empty() ? CWideSz(current_directory()) : app.destination;
    path.replace_separators(L'\\');
    path.ensure_trailing(L'\\');
    path += member_path;
    path.replace_separators(L'\\');
    SHChangeNotify(event, SHCNF_PATHW, path.c_str(), nullptr);
}
