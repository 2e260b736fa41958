// The command line after the program's name: which command, help, version,
// and the one place where failures become a message and an exit status.
#include <new>

#include "commands.h"
#include "help.h"
#include "tool_error.h"

#ifndef VORNSFX_VERSION
#define VORNSFX_VERSION "unknown"
#endif

namespace {

constexpr char PROGRAM[] = "vornsfx";

bool is_help(const std::string& word) {
    return word == "--help" || word == "-h" || word == "help";
}

int dispatch(const Arguments& args, const Console& console) {
    if (args.empty()) {
        console.err(general_help());
        return EXIT_BAD_INPUT;
    }
    const std::string& command = args[0];
    const Arguments rest(args.begin() + 1, args.end());
    if (is_help(command)) {
        const char* help = rest.empty() ? general_help() : command_help(rest[0]);
        if (!help) fail("no command " + rest[0] + " (try: vornsfx --help)");
        console.out(help);
        return EXIT_OK;
    }
    if (command == "--version" || command == "-V") {
        console.out(std::string(PROGRAM) + " " + VORNSFX_VERSION + "\n");
        return EXIT_OK;
    }
    if (command == "build") return run_build(rest, console);
    if (command == "pack") return run_pack(rest, console);
    if (command == "list") return run_list(rest, console);
    if (command == "test") return run_test(rest, console);
    if (command == "extract") return run_extract(rest, console);
    if (command == "unwrap") return run_unwrap(rest, console);
    fail("no command " + command + " (try: vornsfx --help)");
}

}  // namespace

int run_vornsfx(const Arguments& args, const Console& console) {
    try {
        return dispatch(args, console);
    } catch (const ToolError& error) {
        console.err(std::string(PROGRAM) + ": " + error.message + "\n");
        return error.status;
    } catch (const std::bad_alloc&) {
        console.err(std::string(PROGRAM) + ": out of memory\n");
        return EXIT_BAD_INPUT;
    }
}
