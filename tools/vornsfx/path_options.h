// The arguments of extract and unwrap: one file, and one option whose value
// is a path (-C DIR, -o FILE), also written --long=VALUE.
#pragma once

#include <string>

#include "options.h"

struct PathOptions {
    bool help = false;
    std::wstring file;
    std::wstring value;  // empty when the option was not given
};

// Mistakes raise ToolError with EXIT_BAD_INPUT and a message naming them.
PathOptions parse_path_options(const std::string& command, const Arguments& args,
                               const std::string& short_name, const std::string& long_name);
