// The configuration block reader: any bytes where the block would be.
//
// Whatever the input, reading ends (false when the block is cut short),
// the position handed on to the header reader is the first byte behind
// what was read, and a block read whole writes back to exactly the bytes it
// came from. The program's own readings (read_config, which also resolves
// the destination, and start-up's load_configuration) agree with it, and
// read_config never throws: with at most 255 units a destination always
// splits.
#include <cstring>
#include <vector>

#include "Sfx/config.h"
#include "Sfx/config_writer.h"
#include "fuzz_support.h"

namespace {

int64_t position(CWinFile& file) {
    return file.seek(0, FILE_CURRENT);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    start_fuzzing();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static MemoryFile input("config");
    input.fill(data, size);
    CWinFile file;
    input.open(file, GENERIC_READ);

    CConfigBlock block;
    const bool whole = read_config_block(file, block);
    const int64_t end = position(file);
    FUZZ_CHECK(end >= 0 && static_cast<uint64_t>(end) <= size);
    if (whole) {
        std::vector<uint8_t> encoded;
        FUZZ_CHECK(encode_config_block(block, encoded));
        FUZZ_CHECK(encoded.size() == static_cast<size_t>(end));
        FUZZ_CHECK(std::memcmp(encoded.data(), data, encoded.size()) == 0);
    }

    file.seek(0, FILE_BEGIN);
    CSfxConfig config;
    FUZZ_CHECK(read_config(config, file) == whole);
    FUZZ_CHECK(position(file) == end);
    if (whole) {
        FUZZ_CHECK(config.present == (block.lead_byte != 0 ? 1 : 0));
        FUZZ_CHECK(!config.title.empty());
        // A relative destination is appended to its base; none is shortened.
        FUZZ_CHECK(config.destination.length() >= block.destination.length());
    }

    // Start-up's reading, which turns a destination that cannot be split
    // into a failure, agrees: no destination from the block is one.
    file.seek(0, FILE_BEGIN);
    CSfxConfig loaded;
    FUZZ_CHECK(load_configuration(loaded, file) == whole);
    return 0;
}
