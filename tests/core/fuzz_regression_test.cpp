// Faults the fuzzers (fuzz/) found, each kept as the smallest input that
// showed it, with what the program does instead.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "Sfx/sfx_app.h"
#include "support/engine_runner.h"

namespace {

constexpr int METHOD_LZS = 8;

// Expands data as the whole rest of an archive, for a member whose header
// claims compressed_size bytes of it.
Expanded expand_claiming(const Bytes& data, uint32_t compressed_size, int method,
                         uint32_t original_size) {
    TempDir dir;
    write_file(dir / L"archive.lzh", data);
    CSfxApp app;
    app.archive.reset(new CWinFile);
    app.archive->open((dir / L"archive.lzh").c_str(), GENERIC_READ, FILE_SHARE_READ,
                      OPEN_EXISTING);
    return expand_at(app, original_size, compressed_size, method, dir / L"member.out");
}

// Read system calls this process has made, or -1 where the system does not
// count them (Windows).
long long read_calls() {
#ifdef _WIN32
    return -1;  // (and the C++ streams of the Windows runtime crash under the UCRT)
#endif
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value)
        if (key == "syscr:") return value;
    return -1;
}

}  // namespace

// archive_fuzz, on truncated archives: a header claiming up to 4 GiB of
// compressed data in a short file. The engine sized its input buffer by the
// claim (up to 256 MiB) and, once the file had ended, asked it again for
// every byte the bit reader took: a 64 KiB member of all-zero -lzs- matches
// made some 65,000 failing reads. It now takes only the bytes the file holds;
// past them the stream reads as zeros, until so many that it is damage.
TEST(FuzzRegression, DataClaimedBeyondTheFileEndIsNotReadForEveryByte) {
    const Bytes data(16, 0);  // -lzs- matches of 16 zero bits: the reader never rests
    constexpr uint32_t ORIGINAL_SIZE = 65536;
    constexpr uint32_t CLAIMED_SIZE = 0xFFFFFFFF;
    constexpr long long FEW_READS = 100;
    const Expanded truthful =
        expand_claiming(data, static_cast<uint32_t>(data.size()), METHOD_LZS, ORIGINAL_SIZE);
    const long long before = read_calls();
    const Expanded claimed = expand_claiming(data, CLAIMED_SIZE, METHOD_LZS, ORIGINAL_SIZE);
    const long long after = read_calls();

    // Sixteen bytes cannot make 64 KiB: both runs stop as damaged once the
    // reader has gone well past the data, and the same way.
    EXPECT_TRUE(claimed.damaged);
    EXPECT_EQ(claimed.damaged, truthful.damaged);
    EXPECT_EQ(claimed.output, truthful.output);
    if (before < 0) GTEST_SKIP() << "this system does not count read calls";
    EXPECT_LT(after - before, FEW_READS);
}
