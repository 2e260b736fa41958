#include "archive_check.h"

#include <climits>
#include <string>

#include "Sfx/methods.h"
#include "Sfx/report.h"
#include "huffman/huffman.h"
#include "text_format.h"
#include "tool_error.h"
#include "warning.h"
#include "tool_platform.h"

namespace {

constexpr int LAST_KNOWN_LEVEL = 2;
// The stub holds sizes as signed 32-bit numbers and seeks by the packed size
// taken as one.
constexpr uint32_t LARGEST_MEMBER = INT32_MAX;

// The header reader shows "Unknown header" when it rejects a header; the
// builder says so in its own words instead.
int ignore_message(HWND, const wchar_t*, const wchar_t*, uint32_t) {
    return 0;
}

struct QuietReader {
    QuietReader() { set_message_hook(ignore_message); }
    ~QuietReader() { set_message_hook(nullptr); }
};

std::string rejection_text(CWinFile& archive, int64_t header_offset) {
    std::string where = "the header at offset " + hex_text(static_cast<uint64_t>(header_offset));
    if (archive.seek(0, FILE_CURRENT) >= archive.size())
        return where + " is cut short by the end of the file";
    return where +
           " has a layout the stub rejects (it would show \"Unknown header\" and stop "
           "extracting there)";
}

}  // namespace

std::string method_text(const CMemberHeader& header) {
    std::string text;
    for (char c : header.method)
        text += c >= ' ' && c <= '~' ? c : '?';
    return text;
}

WalkResult walk_archive(CWinFile& archive, int64_t start,
                        const std::function<void(const MemberEntry&)>& visit) {
    QuietReader quiet;
    WalkResult result;
    int64_t position = start;
    for (;;) {
        if (archive.seek(position, FILE_BEGIN) != position) {
            result.end = ArchiveEnd::file_end;
            result.end_offset = archive.size();
            return result;
        }
        MemberEntry entry;
        entry.number = result.members + 1;
        entry.header_offset = position;
        HeaderRead read = read_member_header(archive, nullptr, entry.header);
        int64_t after = archive.seek(0, FILE_CURRENT);
        if (read == HeaderRead::end) {
            // The reader ends both at the zero byte and at the file's end;
            // only the zero byte moves the position.
            result.end = after > position ? ArchiveEnd::marker : ArchiveEnd::file_end;
            result.end_offset = position;
            return result;
        }
        if (read == HeaderRead::broken) {
            result.end = ArchiveEnd::rejected;
            result.end_offset = position;
            result.rejection = rejection_text(archive, position);
            return result;
        }
        entry.data_offset = after;
        entry.method = method_index(entry.header);
        ++result.members;
        visit(entry);
        position = entry.data_offset + entry.header.packed_size;
        if (position > archive.size()) {
            result.end = ArchiveEnd::cut;
            result.end_offset = archive.size();
            return result;
        }
    }
}

std::string missing_marker_text(const std::string& name, const WalkResult& walk) {
    if (walk.end != ArchiveEnd::file_end) return std::string();
    return name +
           ": the archive ends without its terminating zero byte; it may have been cut short "
           "after member " + std::to_string(walk.members);
}

std::string missing_marker_warning(const std::string& name, const WalkResult& walk) {
    std::string text = missing_marker_text(name, walk);
    return text.empty() ? text : "vornsfx: warning: " + text + "\n";
}

int64_t bytes_behind(const WalkResult& walk, int64_t file_size) {
    return walk.end == ArchiveEnd::marker ? file_size - walk.end_offset - 1 : 0;
}

void warn_about_end(const std::string& name, const WalkResult& walk, int64_t file_size,
                    bool strict, const Console& console) {
    const std::string missing = missing_marker_text(name, walk);
    if (!missing.empty()) warn(console, strict, missing);
    const int64_t behind = bytes_behind(walk, file_size);
    if (strict && behind > 0)
        warn(console, strict, name + ": " + std::to_string(behind) + " bytes follow the archive");
}

std::string member_label(const MemberEntry& entry) {
    std::string label = "member " + std::to_string(entry.number);
    if (!entry.header.path.empty()) label += " (" + shown_path(entry.header.path) + ")";
    return label;
}

std::string member_problem(const MemberEntry& entry, int64_t file_size) {
    const CMemberHeader& header = entry.header;
    if (header.level > LAST_KNOWN_LEVEL)
        return "header level " + std::to_string(header.level) +
               ", the stub knows levels 0, 1 and 2";
    if (entry.method < 0)
        return "method " + method_text(header) +
               " is not one the stub decodes (it would skip the member)";
    if (header.original_size > LARGEST_MEMBER || header.packed_size > LARGEST_MEMBER)
        return "too large: the stub handles members below 2 GiB";
    int64_t end = entry.data_offset + header.packed_size;
    if (end > file_size)
        return "its data runs " + std::to_string(end - file_size) +
               " bytes past the end of the file";
    if (entry.method != HUFFMAN::METHOD_LHD && header.path.empty())
        return "it has no name, so the stub could not create its file";
    return std::string();
}

bool verdict_passes(Verdict verdict) {
    return verdict == Verdict::passed || verdict == Verdict::unchecked ||
           verdict == Verdict::folder;
}

MemberTest test_member(CSfxApp& app, CWinFile& sink, const MemberEntry& entry) {
    MemberTest test;
    if (entry.method == HUFFMAN::METHOD_LHD) {
        test.verdict = Verdict::folder;
        return test;
    }
    app.archive->seek(entry.data_offset, FILE_BEGIN);
    try {
        test.crc = HUFFMAN::expand_member(app, sink, entry.header.original_size,
                                          entry.header.packed_size, null_device(), entry.method);
    } catch (HUFFMAN::HufError) {
        test.verdict = Verdict::undecodable;
        return test;
    }
    if (!entry.header.has_crc)
        test.verdict = Verdict::unchecked;
    else if (test.crc != entry.header.crc)
        test.verdict = Verdict::mismatch;
    return test;
}

void open_sink(CWinFile& sink) {
    HUFFMAN::build_crc16_table();
    if (!sink.open(null_device(), GENERIC_WRITE, FILE_SHARE_WRITE, OPEN_EXISTING))
        fail("cannot open the null device: " + last_error_text());
}
