// Code lengths for the static-Huffman blocks: from symbol frequencies to
// lengths of at most MAX_CODE_LENGTH bits, and from lengths to the canonical
// codes the decoder assigns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int MAX_CODE_LENGTH = 16;
constexpr size_t MAX_SYMBOLS = 512;  // more than any code of the format has

// Lengths for freqs.size() symbols: 0 for a symbol of frequency 0, else 1 to
// max_length. Fewer than two used symbols give every used symbol length 0
// too: such a code is sent as a constant, which costs no bits per symbol.
std::vector<uint8_t> build_code_lengths(const std::vector<uint32_t>& freqs,
                                        int max_length = MAX_CODE_LENGTH);
// The same for freqs[0] to freqs[symbols - 1]; symbols at most MAX_SYMBOLS.
std::vector<uint8_t> build_code_lengths(const uint32_t* freqs, size_t symbols,
                                        int max_length = MAX_CODE_LENGTH);

// Canonical codes: shorter codes first, equal lengths in symbol order, each
// code `length` bits long, as the decoder's table builder assigns them.
std::vector<uint16_t> canonical_codes(const std::vector<uint8_t>& lengths);
