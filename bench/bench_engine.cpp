// bench_engine ARCHIVE [--repeat N]
//
// Times the decompression engine on a whole archive, the way the stub walks
// one: every header through the real header reader, every member through
// expand_member, the output to the null device so that disk speed does not
// count. Every member's CRC-16 is checked against its header, so a fast but
// wrong engine fails (exit 1) instead of looking good. The archive is decoded
// N times; the best wall time is reported, as the least disturbed run.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Sfx/member_header.h"
#include "Sfx/methods.h"
#include "Sfx/sfx_app.h"
#include "huffman/huffman.h"
#include "text/utf8.h"

namespace {

constexpr int EXIT_MISMATCH = 1;  // a CRC mismatch, damaged data or a broken header
constexpr int EXIT_USAGE = 2;
constexpr int DEFAULT_REPEAT = 1;
constexpr double BYTES_PER_MB = 1e6;
#ifdef _WIN32
const wchar_t NULL_DEVICE[] = L"NUL";
#else
const wchar_t NULL_DEVICE[] = L"/dev/null";
#endif

using Clock = std::chrono::steady_clock;

struct Pass {
    uint64_t bytes = 0;  // original bytes of the file members
    int members = 0;
    bool ok = true;
};

void complain(const CMemberHeader& member, const char* what) {
    std::fprintf(stderr, "bench_engine: %.*s member %s: %s\n", static_cast<int>(METHOD_ID_LENGTH),
                 member.method, utf16_to_utf8(member.path.c_str(), member.path.length()).c_str(),
                 what);
}

// Decodes one file member to the null device and checks its CRC-16.
bool decode_member(CSfxApp& app, CWinFile& sink, const CMemberHeader& member) {
    int method = method_index(member);
    if (method < 0) {
        complain(member, "unknown method");
        return false;
    }
    uint16_t crc = 0;
    try {
        crc = HUFFMAN::expand_member(app, sink, member.original_size, member.packed_size,
                                     NULL_DEVICE, method);
    } catch (HUFFMAN::HufError) {
        complain(member, "damaged data");
        return false;
    }
    if (!member.has_crc || crc != member.crc) {
        complain(member, "CRC-16 mismatch");
        return false;
    }
    return true;
}

// One walk over the whole archive.
Pass decode_archive(const std::wstring& path) {
    Pass pass;
    CSfxApp app;
    app.archive.reset(new CWinFile);
    CWinFile sink;
    if (!app.archive->open(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING) ||
        !sink.open(NULL_DEVICE, GENERIC_WRITE, FILE_SHARE_WRITE, OPEN_EXISTING)) {
        std::fprintf(stderr, "bench_engine: cannot open the archive or %ls\n", NULL_DEVICE);
        pass.ok = false;
        return pass;
    }
    for (;;) {
        CMemberHeader member;
        HeaderRead got = read_member_header(*app.archive, nullptr, member);
        if (got == HeaderRead::end) break;
        if (got == HeaderRead::broken) {
            std::fprintf(stderr, "bench_engine: broken member header\n");
            pass.ok = false;
            break;
        }
        int64_t data_start = app.archive->seek(0, FILE_CURRENT);
        if (method_index(member) != HUFFMAN::METHOD_LHD) {
            pass.ok = decode_member(app, sink, member) && pass.ok;
            pass.bytes += member.original_size;
            ++pass.members;
        }
        // The engine reads ahead; the next header starts right after this data.
        app.archive->seek(data_start + member.packed_size, FILE_BEGIN);
    }
    return pass;
}

bool parse_arguments(int argc, char** argv, std::string& archive, int& repeat) {
    repeat = DEFAULT_REPEAT;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) {
            repeat = std::atoi(argv[++i]);
            if (repeat < 1) return false;
        } else if (archive.empty() && argv[i][0] != '-') {
            archive = argv[i];
        } else {
            return false;
        }
    }
    return !archive.empty();
}

}  // namespace

int main(int argc, char** argv) {
    std::string archive;
    int repeat = 0;
    if (!parse_arguments(argc, argv, archive, repeat)) {
        std::fprintf(stderr, "usage: bench_engine ARCHIVE [--repeat N]\n");
        return EXIT_USAGE;
    }
    HUFFMAN::build_crc16_table();
    std::wstring path = utf8_to_utf16(archive);
    double best = 0;
    Pass pass;
    for (int run = 0; run < repeat; ++run) {
        Clock::time_point start = Clock::now();
        pass = decode_archive(path);
        double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (!pass.ok) return EXIT_MISMATCH;
        if (run == 0 || seconds < best) best = seconds;
    }
    std::printf("members %d\nbytes %llu\nbest_seconds %.4f\nMB_per_second %.1f\n", pass.members,
                static_cast<unsigned long long>(pass.bytes), best,
                best > 0 ? pass.bytes / BYTES_PER_MB / best : 0.0);
    return 0;
}
