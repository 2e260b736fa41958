#include "warning.h"

#include "tool_error.h"

void warn(const Console& console, bool strict, const std::string& text) {
    if (strict) fail(text + " (--strict)");
    console.err("vornsfx: warning: " + text + "\n");
}
