// One member's data: read from its file in pieces, compressed into an
// -lh5-, -lh6- or -lh7- stream, written to the archive as it is made.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "block_coder.h"
#include "effort.h"
#include "match_finder.h"
#include "text/win_file.h"

// Raised by the encoder and the archive writer; message names the problem.
struct EncoderError {
    std::string message;
};

// Called with the number of input bytes consumed since the last call.
using ProgressFn = std::function<void(uint64_t bytes)>;

struct EncodeResult {
    bool shrank = false;  // false: the stream was not smaller than the data; nothing useful written
    uint64_t packed_size = 0;
    uint16_t crc = 0;  // CRC-16 of the data (when shrank)
};

// One encoder serves all members of an archive, so its tables and window
// are allocated once.
class MemberEncoder {
public:
    MemberEncoder(int dictionary_bits, Effort effort);

    // Compresses `size` bytes from input (at its current position) to output.
    // Stops early, with shrank false, as soon as the stream grows as large as
    // the data; the caller then stores the member instead. Raises
    // EncoderError when the input cannot be read, ends early, or output
    // cannot be written.
    EncodeResult encode(CWinFile& input, uint32_t size, CWinFile& output,
                        const ProgressFn& progress);

private:
    int dictionary_bits_;
    Effort effort_;
    MatchFinder finder_;
    std::vector<uint8_t> window_;
    BlockCodes previous_;  // the optimal parse's first prices: the last block's codes
};
