// How the builder's commands fail: one error type carrying the exit status
// and a message that names the problem. The entry point prints the message on
// standard error, prefixed with the program's name, and exits with the status.
#pragma once

#include <string>

// Exit statuses of every command.
constexpr int EXIT_OK = 0;
constexpr int EXIT_MEMBER_FAILED = 1;  // test: a member failed its test
constexpr int EXIT_BAD_INPUT = 2;      // bad usage, or an input the stub could not use

struct ToolError {
    int status;
    std::string message;
};

[[noreturn]] inline void fail(const std::string& message, int status = EXIT_BAD_INPUT) {
    throw ToolError{status, message};
}
