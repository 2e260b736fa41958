// Code page 932 (Shift_JIS as Windows has it) from tables, for builds whose C
// library has no converter for it (the WebAssembly builder). The tables are
// made from the native system's converter, so such a build reads and writes
// names exactly as the native builder does.
#pragma once

#include <cstdint>

// The UTF-16 unit of a single byte, 0 when the byte is no character of its own
// (a lead byte, or a byte the code page leaves out).
uint16_t cp932_single(uint8_t byte);
// The unit of the double-byte code lead:trail, 0 when there is none.
uint16_t cp932_double(uint8_t lead, uint8_t trail);
// The code page's form of a unit: 0 when it has none, a byte below 0x100, or
// lead << 8 | trail. A unit with several codes gets the one the converter
// writes; the others are only read.
uint16_t cp932_code(uint16_t unit);
