// The member header reader and the pre-scan: any bytes as an archive, every
// header of it read the way the worker walks an archive (header, then a seek
// over the member's data), without decoding anything.
//
// The pre-scan leaves the position where it was; every walk ends, since each
// header read moves forward; a header read leaves the file inside the input
// and a record whose path holds UTF-16 units only (one per wchar_t, never
// a whole code point, whatever the ANSI conversion met).
#include "Sfx/member_header.h"
#include "Sfx/methods.h"
#include "fuzz_support.h"

namespace {
constexpr uint32_t UTF16_UNIT_MAX = 0xFFFF;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    start_fuzzing();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static MemoryFile input("headers");
    input.fill(data, size);
    CWinFile archive;
    input.open(archive, GENERIC_READ);

    scan_total_size(archive);
    FUZZ_CHECK(archive.seek(0, FILE_CURRENT) == 0);

    CMemberHeader member;
    int64_t header_start = 0;
    while (read_member_header(archive, nullptr, member) == HeaderRead::member) {
        const int64_t data_start = archive.seek(0, FILE_CURRENT);
        FUZZ_CHECK(data_start > header_start && static_cast<uint64_t>(data_start) <= size);
        const int index = method_index(member);
        FUZZ_CHECK(index >= -1 && index < METHOD_COUNT);
        for (const wchar_t* unit = member.path.c_str(); *unit; ++unit)
            FUZZ_CHECK(static_cast<uint32_t>(*unit) <= UTF16_UNIT_MAX);
        header_start = archive.seek(data_start + int64_t{member.packed_size}, FILE_BEGIN);
        FUZZ_CHECK(header_start == data_start + int64_t{member.packed_size});
    }
    return 0;
}
