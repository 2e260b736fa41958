// Walking an LHA archive exactly as the stub does, with the stub's own header
// reader and engine, and naming everything that would make the stub extract
// less than the archive holds.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "Sfx/member_header.h"
#include "Sfx/sfx_app.h"
#include "console.h"

// One member as the stub sees it.
struct MemberEntry {
    int number = 0;  // 1 for the first member
    CMemberHeader header;
    int64_t header_offset = 0;
    int64_t data_offset = 0;
    int method = -1;  // index into METHOD_NAMES, -1 when unknown
};

// How a walk ended.
enum class ArchiveEnd {
    marker,    // the zero byte that ends an archive
    file_end,  // the file ended where the next header would begin
    cut,       // the file ended inside a member's data
    rejected,  // a header the stub cannot read: it stops extracting there
};

struct WalkResult {
    ArchiveEnd end = ArchiveEnd::marker;
    int64_t end_offset = 0;  // the zero byte, the file's end, or the rejected header
    int members = 0;
    std::string rejection;  // for ArchiveEnd::rejected: why, in words
};

// Reads every member header from start on and calls visit for each; visit
// may move the file position (the walk goes on behind the member's data).
// A member whose data runs past the file's end is the last one visited.
WalkResult walk_archive(CWinFile& archive, int64_t start,
                        const std::function<void(const MemberEntry&)>& visit);

// What about this member, read from its header alone, keeps the stub from
// extracting it; empty when nothing does.
std::string member_problem(const MemberEntry& entry, int64_t file_size);

// The method id as stored, bytes that are not printable ASCII shown as '?'.
std::string method_text(const CMemberHeader& header);

// The warning for an archive that ends with the file, without its zero byte
// (it may have been cut at a member's end); empty for any other end.
std::string missing_marker_warning(const std::string& name, const WalkResult& walk);
// The same text without the prefix and line end, for warn().
std::string missing_marker_text(const std::string& name, const WalkResult& walk);
// How many bytes follow the terminating zero byte: the stub never reads them.
int64_t bytes_behind(const WalkResult& walk, int64_t file_size);
// list and test: warns of a missing zero byte; with strict, bytes behind the
// archive fail too (list shows them anyway, the stub ignores them).
void warn_about_end(const std::string& name, const WalkResult& walk, int64_t file_size,
                    bool strict, const Console& console);

// "member 3 (docs/readme.txt)": how messages name a member.
std::string member_label(const MemberEntry& entry);

enum class Verdict {
    passed,       // decoded, CRC-16 matches
    unchecked,    // decoded, but the header has no CRC-16 to compare
    folder,       // a folder entry: nothing to decode
    mismatch,     // decoded, CRC-16 differs: the stub reports the file as broken
    undecodable,  // the engine gave up on the data
};

struct MemberTest {
    Verdict verdict = Verdict::passed;
    uint16_t crc = 0;  // what the engine computed
};

bool verdict_passes(Verdict verdict);

// Decodes the member's data with the stub's engine into sink (the null
// device) and compares the CRC-16. app.archive is the archive file; the
// member's method must be known.
MemberTest test_member(CSfxApp& app, CWinFile& sink, const MemberEntry& entry);

// Opens the null device for test_member; raises ToolError when it cannot.
void open_sink(CWinFile& sink);
