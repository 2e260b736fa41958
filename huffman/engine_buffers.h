// The engine's two buffers, kept from member to member for a whole run.
//
// Allocating them per member cost more than decoding a small member does: a
// fresh block of a few hundred KiB is new pages to fault in, and asking how
// much memory is free is a system call. So both are allocated on first need
// and reused until release_engine_buffers:
// - the output buffer (the dictionary's worth of history, then the room new
//   output collects in) only ever grows, to what the largest member so far
//   needed;
// - the input buffer is allocated once, as large as INPUT_BUFFER_LIMIT or the
//   free physical memory allows, halved until the allocation succeeds (under
//   memory pressure a smaller buffer only means more refills). Each member
//   reads at most its own compressed size into it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace HUFFMAN {

// The largest input buffer: a whole compressed member when it is small, else
// the pieces a larger one is read in. One buffer that stays in the cache,
// instead of one as large as the member, spares a page fault for every 4 KiB
// of input (a third faster on a 10 MB member) and keeps memory flat.
constexpr uint64_t INPUT_BUFFER_LIMIT = uint64_t{256} << 10;

// At least bytes of output buffer; its contents are left as they were.
// Throws std::bad_alloc when that much cannot be had.
uint8_t* output_buffer(size_t bytes);

// Points the bit reader's input buffer (bit_input.h) at the kept one and sets
// its refill size to compressed_size, at most the buffer's capacity.
void use_input_buffer(uint64_t compressed_size);

// Frees both; the next member allocates them again. At the end of a run, and
// where a test needs the first allocation to happen again.
void release_engine_buffers();

}  // namespace HUFFMAN
