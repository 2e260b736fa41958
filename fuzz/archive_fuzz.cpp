// A whole archive the way the extraction worker takes it: the pre-scan for
// the progress total, then each header, its member decoded into the null
// device, and a seek to the next header. Each member's stored path is made
// safe as for writing, and the damaged-member message is formatted with it.
//
// Whatever the bytes, the walk ends, every member ends (decoded, or raising
// HUF_ERROR), and a path made safe names nothing outside the destination:
// no root, drive or stream, no "." or ".." component, no character Windows
// forbids in a name.
#include <cwchar>

#include "Sfx/member_header.h"
#include "Sfx/messages.h"
#include "Sfx/methods.h"
#include "Sfx/paths.h"
#include "Sfx/run_state.h"
#include "Sfx/sfx_app.h"
#include "fuzz_support.h"
#include "huffman/huffman.h"
#include "text/format_wide.h"

namespace {

constexpr size_t FORMAT_MARK_UNITS = 3;  // "%ls" in the message template

bool is_forbidden(wchar_t c) {
    constexpr wchar_t FIRST_PRINTABLE = 0x20;
    return c < FIRST_PRINTABLE || c == L':' || c == L'*' || c == L'?' || c == L'"' ||
           c == L'<' || c == L'>' || c == L'|' || c == L'\\' || c == 0xFFFF;
}

// Every component of a safe path has a character other than dots and
// spaces, components are joined by single '/', and none is forbidden.
void check_safe_path(const CWideSz& path) {
    const wchar_t* p = path.c_str();
    if (!*p) return;
    FUZZ_CHECK(*p != L'/');
    while (*p) {
        const wchar_t* first = p;
        bool meaningful = false;
        for (; *p && *p != L'/'; ++p) {
            FUZZ_CHECK(!is_forbidden(*p));
            meaningful = meaningful || (*p != L'.' && *p != L' ');
        }
        FUZZ_CHECK(p > first && meaningful);
        if (*p == L'/') {
            ++p;
            FUZZ_CHECK(*p != 0);
        }
    }
}

// What extraction does with a member's path before and after decoding it.
void use_path(const CMemberHeader& member) {
    CWideSz path(member.path);
    sanitize_member_path(path);
    check_safe_path(path);
    const size_t room = MESSAGE_UNITS - 1 - (std::wcslen(TEXT_FILE_BROKEN) - FORMAT_MARK_UNITS);
    CWideSz shown = fit_path(path.c_str(), room);
    FUZZ_CHECK(shown.length() <= room);
    wchar_t text[MESSAGE_UNITS];
    FUZZ_CHECK(format_wide(text, MESSAGE_UNITS, TEXT_FILE_BROKEN, shown.c_str()) >= 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    start_fuzzing();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static MemoryFile input("archive");
    input.fill(data, size);
    CSfxApp app;
    app.archive.reset(new CWinFile);
    input.open(*app.archive, GENERIC_READ);

    reset_run_state();
    progress_total = scan_total_size(*app.archive);
    // Members past the input's decode budget are walked over, not decoded.
    const uint64_t budget = decode_budget(size);
    uint64_t decoded = 0;
    CMemberHeader member;
    while (read_member_header(*app.archive, nullptr, member) == HeaderRead::member) {
        const int64_t data_start = app.archive->seek(0, FILE_CURRENT);
        use_path(member);
        const int index = method_index(member);
        const bool has_data = index >= 0 && index != HUFFMAN::METHOD_LHD;
        if (has_data && member.original_size <= LARGEST_DECODED &&
            decoded + member.original_size <= budget) {
            decoded += member.original_size;
            CWinFile output;
            open_null_output(output);
            try {
                HUFFMAN::expand_member(app, output, member.original_size, member.packed_size,
                                       member.path.c_str(), index);
            } catch (HUFFMAN::HufError) {
                // The worker stops at a damaged member; the walk goes on, so
                // the engine also meets members after a failed one.
            }
        }
        app.archive->seek(data_start + int64_t{member.packed_size}, FILE_BEGIN);
    }
    return 0;
}
