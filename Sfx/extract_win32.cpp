#include "extract.h"

#include <windows.h>

#include <cwchar>
#include <new>

#include "directories.h"
#include "huffman/huffman.h"
#include "messages.h"
#include "methods.h"
#include "paths.h"
#include "report.h"
#include "run_state.h"
#include "text/format_wide.h"
#include "text/win_file.h"
#include "worker.h"

namespace {

constexpr size_t FORMAT_MARK_UNITS = 3;  // "%ls" in a message template

// The message texts are formatted into MESSAGE_UNITS; a long path is cut at
// its front so that the text around it is always shown whole.
size_t room_for_path(size_t fixed_units) {
    return MESSAGE_UNITS - 1 - fixed_units;
}

// A damaged member, whether its CRC differs or its data cannot be decoded.
bool report_damaged(CSfxApp& app, const CWideSz& path) {
    app.failed = 1;
    show_unshown_name(app);
    size_t fixed_units = wcslen(TEXT_FILE_BROKEN) - FORMAT_MARK_UNITS;
    CWideSz shown = fit_path(path.c_str(), room_for_path(fixed_units));
    wchar_t text[MESSAGE_UNITS];
    format_wide(text, MESSAGE_UNITS, TEXT_FILE_BROKEN, shown.c_str());
    show_message(app.main_window, text, nullptr, MB_ICONWARNING);
    return false;
}

bool extract_folder(CSfxApp& app, const CWideSz& path) {
    // Nothing left of the path names the destination itself, which exists.
    if (path.empty() || create_directory_tree(CWideString(path.c_str()))) return true;
    show_unshown_name(app);
    report_last_error();
    return false;
}

// Creates the member's file. Into a fresh destination the file is new, and
// one CreateFileW does it; only when something stands at the path already is
// it looked at: a folder in the way is the one warning (the run stops), an
// older file is deleted and replaced, a read-only one stays and makes the
// creation fail with the system's reason.
bool create_member_file(CSfxApp& app, CWinFile& output, const CWideSz& path) {
    const CWideString name(path.c_str());
    if (open_output_file(output, name, GENERIC_WRITE, 0, CREATE_NEW)) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) {
        if (check_folder_clash(app, path)) return false;
        DeleteFileW(path.c_str());
        if (output.open(path.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS)) return true;
    }
    show_unshown_name(app);
    report_last_error();
    return false;
}

bool extract_file(CSfxApp& app, const CMemberHeader& member, const CWideSz& path, int method) {
    CWinFile output;
    if (!create_member_file(app, output, path)) return false;
    uint16_t crc = 0;
    bool undecodable = false;
    bool no_memory = false;
    try {
        crc = HUFFMAN::expand_member(app, output, member.original_size, member.packed_size,
                                     path.c_str(), method);
    } catch (HUFFMAN::HufError) {
        undecodable = true;
    } catch (const std::bad_alloc&) {
        no_memory = true;  // its dictionary could not be had: the member cannot be extracted
    }
    const bool damaged = no_memory || undecodable || (member.has_crc && crc != member.crc);
    // A member the engine wrote to its end is finished, even when the abort
    // came in the meantime: it stays, and the window must not delete it.
    const bool cut_short = (user_aborted() || no_memory) &&
                           output.seek(0, FILE_CURRENT) != member.original_size;
    // The time goes on through the open handle: setting it by name would
    // open the file once more.
    if (!damaged && !cut_short) set_file_time(output, member);
    output.close();
    app.current_output = CWideSz();
    if (cut_short) {
        DeleteFileW(path.c_str());
        if (!no_memory) return false;
    }
    return damaged ? report_damaged(app, path) : true;
}

}  // namespace

bool extract_member(CSfxApp& app, const CMemberHeader& member) {
    CWideSz path(member.path);
    sanitize_member_path(path);
    int method = method_index(member);
    // A method this program does not know, or a Unix symbolic link: skipped.
    if (method < 0 || is_symbolic_link(member)) return true;
    if (method != HUFFMAN::METHOD_LHD) return extract_file(app, member, path, method);
    // A file where the folder is to be: it goes, as an older file would.
    DeleteFileW(path.c_str());
    return extract_folder(app, path);
}

bool check_folder_clash(CSfxApp& app, const CWideSz& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    show_unshown_name(app);
    CWideSz shown = fit_path(path.c_str(), room_for_path(1 + wcslen(TEXT_FOLDER_CLASH)));
    wchar_t text[MESSAGE_UNITS];
    format_wide(text, MESSAGE_UNITS, L"%ls %ls", shown.c_str(), TEXT_FOLDER_CLASH);
    show_message(app.main_window, text, nullptr, MB_ICONWARNING);
    return true;
}

void set_file_time(CWinFile& file, const CMemberHeader& member) {
    // FILETIME counts 100-ns ticks from 1601; the header's time is seconds from 1970.
    constexpr int64_t TICKS_PER_SECOND = 10000000;
    constexpr int64_t SECONDS_1601_TO_1970 = 11644473600;
    const uint64_t ticks =
        static_cast<uint64_t>((member.mtime + SECONDS_1601_TO_1970) * TICKS_PER_SECOND);
    FILETIME time = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SetFileTime(file.handle(), nullptr, &time, &time);
}
