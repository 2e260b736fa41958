// The builder's command lines: every option of every command, parsed into
// plain records. Arguments arrive as UTF-8 (on Windows converted from the
// UTF-16 command line); texts for the configuration block become UTF-16, the
// stub's own encoding, and paths become the UTF-16 that CWinFile opens.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Sfx/config.h"
#include "effort.h"

using Arguments = std::vector<std::string>;

// How pack (and build, given files and folders) compresses and writes.
struct PackOptions {
    int dictionary_bits = 16;  // --method: -lh5- 13, -lh6- 15, -lh7- 16
    Effort effort = Effort::normal;
    bool quiet = false;       // -q: no progress bar, no summary
    bool no_clobber = false;  // -n: refuse an output that exists
    size_t threads = 0;       // -j: 1 to MAX_THREADS; 0: the processors the process may use
};

// The most threads -j takes: far more than the machines it runs on have, few
// enough that their memory (a few MiB each) stays small beside the system's.
constexpr size_t MAX_THREADS = 256;

struct BuildOptions {
    bool help = false;
    std::vector<std::wstring> inputs;  // one LHA archive, or files and folders to pack
    PackOptions pack;
    std::wstring output;
    std::wstring stub;  // empty: look for the installed stub
    CConfigBlock block;
    bool verify = true;   // decode every member with the stub's engine
    bool strict = false;  // --strict: every warning fails the build
};

struct PackCommandOptions {
    bool help = false;
    std::vector<std::wstring> inputs;
    std::wstring output;
    PackOptions pack;
};

// The arguments of list and test: one file or more, "-" for standard input.
struct FileOptions {
    bool help = false;
    bool json = false;     // list --json
    bool quiet = false;    // -q: only failures, errors and warnings
    bool verbose = false;  // test -v: sizes and CRC-16 on every line
    bool strict = false;   // --strict: a warning gives status 2
    std::wstring file;     // the first of files
    std::vector<std::wstring> files;
};

// The file name that stands for standard input.
constexpr char STANDARD_INPUT_NAME[] = "-";

// The arguments after the command's name. Mistakes raise ToolError with
// EXIT_BAD_INPUT and a message naming the option.
BuildOptions parse_build_options(const Arguments& args);
PackCommandOptions parse_pack_options(const Arguments& args);
FileOptions parse_file_options(const std::string& command, const Arguments& args);

// An option byte's value as written on the command line: "off", "offered",
// "chosen" or "offered,chosen" (either order).
uint8_t parse_option_bits(const std::string& option, const std::string& value);
// And back, as list shows it; bits beyond the two in use are added in hex.
std::string option_bits_text(uint8_t bits);

// The base selector's words: "cwd" (0) and "program-files" (any other byte).
uint8_t parse_base(const std::string& value);
std::string base_text(uint8_t base_selector);

// A text for the block: UTF-8 in, UTF-16 out, refused when it is not valid
// UTF-8, holds a NUL (the stub reads its texts up to the first one) or needs
// more units than a counted string holds.
CWideString block_text(const std::string& option, const std::string& utf8);
