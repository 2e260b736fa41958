// The configuration block: the settings an archive builder stores between the
// stub's image and the archive, and the record the program reads them into.
//
// File layout: the stub's image up to PAYLOAD_OFFSET, the block, the archive.
// The block has no signature, length or checksum; it is a lead byte and, when
// that is not 0, nine fields. Texts are counted strings: one byte n, then n
// UTF-16LE units, no terminator.
#pragma once

#include <cstdint>

#include "text/wide_string.h"
#include "text/win_file.h"

// Where the block begins: the size of the stub's own image.
constexpr int64_t PAYLOAD_OFFSET = 0x16000;

// Option byte bits: the dialog lets the user change it / the shortcut is made.
constexpr uint8_t OPTION_OFFERED = 1;
constexpr uint8_t OPTION_CHOSEN = 2;

// Longest counted string: its count is one byte.
constexpr size_t MAX_CONFIG_UNITS = 255;

// Shell folder of a relative destination whose base selector is not 0.
constexpr int PROGRAM_FILES_FOLDER = 0x26;  // CSIDL_PROGRAM_FILES

// The block as stored, before the destination is resolved: what a builder
// writes and what a listing shows.
struct CConfigBlock {
    uint8_t lead_byte = 0;  // 0: the block ends here and defaults apply
    CWideString title;
    uint8_t base_selector = 0;  // 0: current directory, else Program Files
    CWideString destination;
    CWideString shortcut_target;
    uint8_t start_menu_option = 0;
    uint8_t desktop_option = 0;
    uint8_t send_to_option = 0;
    CWideString run_after;
    CWideString shortcut_name;
};

// The parsed configuration the program runs with.
struct CSfxConfig {
    uint8_t present = 0;  // 1 once all fields were read; 0 for lead byte 0
    CWideString title;
    CWideString destination;  // resolved
    CWideString shortcut_target;
    CWideString run_after;
    CWideString shortcut_name;
    uint8_t start_menu_option = 0;
    uint8_t desktop_option = 0;
    uint8_t send_to_option = 0;
};

// A destination that cannot be split into its parts ("Failed to split path.").
struct SplitPathError {
    const char* what() const { return "Failed to split path."; }
};

// Reads the block from the file's current position into block. False when the
// file ends or a read fails inside the block. Afterwards the position is the
// first byte behind what was read.
bool read_config_block(CWinFile& archive, CConfigBlock& block);

// Reads the block and resolves it into config. False when the block is
// malformed; throws SplitPathError when the destination cannot be split.
bool read_config(CSfxConfig& config, CWinFile& archive);

// Reads n UTF-16LE units into out; returns the whole units read, or -1 when
// the read fails.
int read_config_string(CWinFile& archive, uint8_t n, CWideString& out);

// The destination folder a stored destination and base selector stand for.
CWideString resolve_destination(uint8_t base_selector, const CWideString& stored);

// Splits a destination into drive, folder, name and extension; throws
// SplitPathError when a part does not fit.
CPathParts split_destination(const CWideString& path);

// Start-up's reading of the configuration: a destination that cannot be split
// fails like a malformed block (false, no message), never as an exception.
bool load_configuration(CSfxConfig& config, CWinFile& archive);
