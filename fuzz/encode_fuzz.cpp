// The encoder against the engine: any bytes, packed as one archive member
// with any method and effort, must come back exactly. The first input byte
// picks the method, the effort and a number of threads (see
// fuzz_support.h); the rest is the member's data. The fuzz build cuts
// members into small pieces, so the data is cut too and the pieces' streams
// joined. Each input is packed twice, on one thread and on several: the two
// archives must be the same bytes. On several, a head start does the first
// pieces (or, for inputs of an even length, at least the first one) before
// the writer is called. A compressed member must be smaller than
// the data (else it is stored, -lh0-), and the member, stored or not, must
// decode to the data and to the header's CRC-16.
#include <string>
#include <thread>
#include <vector>

#include "Sfx/member_header.h"
#include "Sfx/methods.h"
#include "Sfx/sfx_app.h"
#include "archive_writer.h"
#include "fuzz_support.h"
#include "head_start.h"
#include "huffman/huffman.h"

namespace {

constexpr int DICTIONARY_BITS[ENCODE_METHODS] = {13, 15, 16};
constexpr char STORED_METHOD[] = "-lh0-";

// Packs the "source" file as one member into packed.
void pack(const MemoryFile& packed, uint32_t length, int method, Effort effort, size_t threads) {
    PackSettings settings;
    settings.dictionary_bits = DICTIONARY_BITS[method];
    settings.effort = effort;
    settings.threads = threads;
    PackEntry entry;
    entry.source = L"source";
    entry.stored = L"member";
    entry.size = length;
    HeadStart head(settings);
    head.add(entry);
    if (threads > 1 && length % 2 == 0)
        while (head.pieces_done() < 1)
            std::this_thread::yield();
    head.finish();
    CWinFile output;
    packed.open(output, GENERIC_WRITE);
    write_archive({entry}, output, settings, &head);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    start_fuzzing();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return -1;
    const int method = data[0] % ENCODE_METHODS;
    const Effort effort = static_cast<Effort>((data[0] >> ENCODE_EFFORT_SHIFT) % ENCODE_EFFORTS);
    const size_t threads = 2 + (data[0] >> ENCODE_THREADS_SHIFT) % ENCODE_MORE_THREADS;
    const uint32_t length = static_cast<uint32_t>(size - 1);
    static MemoryFile source("source");
    static MemoryFile packed("packed");
    static MemoryFile packed_threads("packed-threads");
    static MemoryFile unpacked("unpacked");
    source.fill(data + 1, length);
    unpacked.fill(nullptr, 0);
    pack(packed, length, method, effort, 1);
    pack(packed_threads, length, method, effort, threads);
    FUZZ_CHECK(packed.contents() == packed_threads.contents());

    CSfxApp app;
    app.archive.reset(new CWinFile);
    packed.open(*app.archive, GENERIC_READ);
    CMemberHeader header;
    FUZZ_CHECK(read_member_header(*app.archive, nullptr, header) == HeaderRead::member);
    const bool stored = std::string(header.method, METHOD_ID_LENGTH) == STORED_METHOD;
    FUZZ_CHECK(stored ? header.packed_size == length : header.packed_size < length);
    uint16_t crc = 0;
    {
        CWinFile output;
        unpacked.open(output, GENERIC_WRITE);
        crc = HUFFMAN::expand_member(app, output, length, header.packed_size, L"member",
                                     method_index(header));
    }
    FUZZ_CHECK(unpacked.contents() == std::vector<uint8_t>(data + 1, data + size));
    FUZZ_CHECK(crc == header.crc);
    return 0;
}
