// The usage texts of the builder and of each of its commands.
#pragma once

#include <string>

// The overview that `vornsfx --help` prints.
const char* general_help();
// The help of one command ("build", "list", "test"), or null for another word.
const char* command_help(const std::string& command);
