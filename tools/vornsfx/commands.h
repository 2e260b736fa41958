// The builder's commands. Each takes the arguments after its name, writes to
// the console and returns the exit status; failures raise ToolError.
#pragma once

#include "console.h"
#include "options.h"

int run_build(const Arguments& args, const Console& console);
int run_pack(const Arguments& args, const Console& console);
int run_list(const Arguments& args, const Console& console);
int run_test(const Arguments& args, const Console& console);
int run_extract(const Arguments& args, const Console& console);
int run_unwrap(const Arguments& args, const Console& console);

// The whole command line after the program's name: dispatch, help, and the
// printing of errors. Never raises.
int run_vornsfx(const Arguments& args, const Console& console);
