// Writing a configuration block: the exact inverse of read_config_block, for
// the builder and the tests.
#pragma once

#include <cstdint>
#include <vector>

#include "config.h"

// Appends the encoded block to out. False, with out unchanged, when a text is
// longer than MAX_CONFIG_UNITS. A lead byte of 0 encodes that byte alone.
bool encode_config_block(const CConfigBlock& block, std::vector<uint8_t>& out);
