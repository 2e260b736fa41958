#include "own_file.h"

#include "config.h"
#include "folders.h"
#include "report.h"

bool open_payload(CWinFile& archive, const wchar_t* path) {
    if (!archive.open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING)) {
        report_last_error();
        return false;
    }
    // Seeking past the end succeeds; the block reader then finds nothing.
    if (archive.seek(PAYLOAD_OFFSET, FILE_BEGIN) < 0) {
        report_last_error();
        return false;
    }
    return true;
}

bool open_own_file(CWinFile& archive) {
    wchar_t path[PATH_UNITS];
    if (GetModuleFileNameW(nullptr, path, PATH_UNITS) == 0) {
        report_last_error();
        return false;
    }
    return open_payload(archive, path);
}
