#include "console.h"

#include "tool_error.h"
#include "tool_platform.h"

void Console::out(const std::string& text) const {
    if (captured_out)
        *captured_out += text;
    else if (!write_stream(STANDARD_OUTPUT, text))
        // A listing cut short must not look complete to the script reading it.
        fail("writing to standard output failed: " + last_error_text());
}

void Console::err(const std::string& text) const {
    if (captured_err)
        *captured_err += text;
    else
        write_stream(STANDARD_ERROR, text);
}

Console process_console() {
    Console console;
    console.progress_allowed = is_terminal(STANDARD_ERROR);
    return console;
}
