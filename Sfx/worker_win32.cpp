#include "worker.h"

#include <windows.h>

#include <shlobj.h>

#include <new>

#include "extract.h"
#include "folders.h"
#include "huffman/huffman.h"
#include "member_header.h"
#include "paths.h"
#include "report.h"
#include "run_state.h"
#include "window_messages.h"

namespace {

// Shows the member's stored path; the text is the worker's own copy, valid
// until the window has handled the message.
void show_name(CSfxApp& app, const CMemberHeader& member) {
    CWideSz shown(member.path);
    SendMessageW(app.main_window, WM_SFX_SHOW_NAME, 0, reinterpret_cast<LPARAM>(shown.c_str()));
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
        show_name(app, member);
        if (!extract_member(app, member)) {
            app.failed = 1;
            break;
        }
        // The shell hears of the path that was written, not the stored one.
        CWideSz written(member.path);
        sanitize_member_path(written);
        notify_shell_created(app, written.c_str());
        // The engine may have read ahead: the next header follows the data.
        app.archive->seek(data_start + member.packed_size, FILE_BEGIN);
    }
}

}  // namespace

void extraction_worker(CSfxApp& app) {
    HUFFMAN::build_crc16_table();
    progress_total = scan_total_size(*app.archive);
    try {
        extract_all(app);
    } catch (const std::bad_alloc&) {
        // Memory for a name or a path ran out (a member's own buffers are
        // handled by its extraction): the run stops as after a failed member.
        app.failed = 1;
        show_system_error(ERROR_NOT_ENOUGH_MEMORY, MB_ICONWARNING);
    }
    PostMessageW(app.main_window, user_aborted() ? WM_SFX_ABORTED : WM_SFX_DONE, 0, 0);
}

void notify_shell_created(CSfxApp& app, const wchar_t* member_path) {
    CWideSz path = app.destination.empty() ? CWideSz(current_directory()) : app.destination;
    path.replace_separators(L'\\');
    path.ensure_trailing(L'\\');
    path += member_path;
    path.replace_separators(L'\\');
    SHChangeNotify(SHCNE_CREATE, SHCNF_PATHW, path.c_str(), nullptr);
}
