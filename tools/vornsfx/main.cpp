// The builder's entry point: the command line as UTF-8 words, then dispatch.
// On Windows the words come from the UTF-16 command line (wmain), so names
// and texts in any script reach the builder intact.
#include "commands.h"
#include "text/utf8.h"
#include "tool_platform.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    Arguments args;
    for (int i = 1; i < argc; ++i)
        args.push_back(utf16_to_utf8(std::wstring(argv[i])));
    keep_freed_memory();
    return run_vornsfx(args, process_console());
}
#else
int main(int argc, char** argv) {
    keep_freed_memory();
    return run_vornsfx(Arguments(argv + 1, argv + argc), process_console());
}
#endif
