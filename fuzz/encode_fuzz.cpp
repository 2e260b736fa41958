// The encoder against the engine: any bytes, packed with any method and
// effort, must decode to exactly those bytes. The first input byte picks the
// method and the effort (see fuzz_support.h); the rest is the member's data.
// A stream that did not shrink is not decoded (the archive writer stores such
// members), but its CRC must still be right when it did.
#include <vector>

#include "Sfx/sfx_app.h"
#include "fuzz_support.h"
#include "huffman/huffman.h"
#include "member_encoder.h"

namespace {

constexpr int DICTIONARY_BITS[ENCODE_METHODS] = {13, 15, 16};
constexpr int METHOD_INDEX[ENCODE_METHODS] = {5, 6, 7};  // "-lh5-" .. "-lh7-"

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    start_fuzzing();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return -1;
    const int method = data[0] % ENCODE_METHODS;
    const Effort effort = static_cast<Effort>((data[0] >> ENCODE_EFFORT_SHIFT) % ENCODE_EFFORTS);
    const uint32_t length = static_cast<uint32_t>(size - 1);
    static MemoryFile source("source");
    static MemoryFile packed("packed");
    static MemoryFile unpacked("unpacked");
    source.fill(data + 1, length);
    packed.fill(nullptr, 0);
    unpacked.fill(nullptr, 0);

    EncodeResult result;
    {
        CWinFile input, output;
        source.open(input, GENERIC_READ);
        packed.open(output, GENERIC_WRITE);
        MemberEncoder encoder(DICTIONARY_BITS[method], effort);
        result = encoder.encode(input, length, output, nullptr);
    }
    if (!result.shrank) return 0;
    const std::vector<uint8_t>& stream = packed.contents();
    FUZZ_CHECK(stream.size() == result.packed_size);
    FUZZ_CHECK(result.packed_size < length);

    CSfxApp app;
    app.archive.reset(new CWinFile);
    packed.open(*app.archive, GENERIC_READ);
    uint16_t crc = 0;
    {
        CWinFile output;
        unpacked.open(output, GENERIC_WRITE);
        crc = HUFFMAN::expand_member(app, output, length, static_cast<uint32_t>(stream.size()),
                                     L"member", METHOD_INDEX[method]);
    }
    const std::vector<uint8_t>& decoded = unpacked.contents();
    FUZZ_CHECK(decoded == std::vector<uint8_t>(data + 1, data + size));
    FUZZ_CHECK(crc == result.crc);
    return 0;
}
