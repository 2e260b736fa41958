#include "extract.h"

#include <windows.h>

#include <sys/utime.h>

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
    size_t fixed_units = wcslen(TEXT_FILE_BROKEN) - FORMAT_MARK_UNITS;
    CWideSz shown = fit_path(path.c_str(), room_for_path(fixed_units));
    wchar_t text[MESSAGE_UNITS];
    format_wide(text, MESSAGE_UNITS, TEXT_FILE_BROKEN, shown.c_str());
    show_message(app.main_window, text, nullptr, MB_ICONWARNING);
    return false;
}

bool extract_folder(const CWideSz& path) {
    // Nothing left of the path names the destination itself, which exists.
    if (path.empty() || create_directory_tree(CWideString(path.c_str()))) return true;
    report_last_error();
    return false;
}

bool extract_file(CSfxApp& app, const CMemberHeader& member, const CWideSz& path, int method) {
    // A folder in the way would only make the file fail to open after the
    // warning; the warning is the one message, and the run stops.
    if (check_folder_clash(app, path)) return false;
    CWinFile output;
    if (!open_output_file(output, CWideString(path.c_str()), GENERIC_WRITE, 0, CREATE_ALWAYS)) {
        report_last_error();
        return false;
    }
    uint16_t crc = 0;
    bool undecodable = false;
    bool no_memory = false;
    try {
        crc = HUFFMAN::expand_member(app, output, member.original_size, member.packed_size,
                                     path.c_str(), method);
    } catch (HUFFMAN::HufError) {
        undecodable = true;  // the engine has freed its buffers
    } catch (const std::bad_alloc&) {
        no_memory = true;  // its dictionary could not be had: the member cannot be extracted
    }
    // A member the engine wrote to its end is finished, even when the abort
    // came in the meantime: it stays, and the window must not delete it.
    const bool complete = output.seek(0, FILE_CURRENT) == member.original_size;
    output.close();
    app.current_output = CWideSz();
    if ((user_aborted() || no_memory) && !complete) {
        DeleteFileW(path.c_str());
        if (!no_memory) return false;
    }
    if (no_memory || undecodable || (member.has_crc && crc != member.crc)) return report_damaged(app, path);
    set_file_time(path.c_str(), member);
    return true;
}

}  // namespace

bool extract_member(CSfxApp& app, const CMemberHeader& member) {
    CWideSz path(member.path);
    sanitize_member_path(path);
    int method = method_index(member);
    // A method this program does not know, or a Unix symbolic link: skipped.
    if (method < 0 || is_symbolic_link(member)) return true;
    // An older file of the same name is replaced; a read-only one stays and
    // makes the creation below fail with the system's reason.
    DeleteFileW(path.c_str());
    if (method == HUFFMAN::METHOD_LHD) return extract_folder(path);
    return extract_file(app, member, path, method);
}

bool check_folder_clash(CSfxApp& app, const CWideSz& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    CWideSz shown = fit_path(path.c_str(), room_for_path(1 + wcslen(TEXT_FOLDER_CLASH)));
    wchar_t text[MESSAGE_UNITS];
    format_wide(text, MESSAGE_UNITS, L"%ls %ls", shown.c_str(), TEXT_FOLDER_CLASH);
    show_message(app.main_window, text, nullptr, MB_ICONWARNING);
    return true;
}

void set_file_time(const wchar_t* path, const CMemberHeader& member) {
    __utimbuf64 times = {member.mtime, member.mtime};
    _wutime64(path, &times);
}
