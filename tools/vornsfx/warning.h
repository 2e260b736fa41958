// Warnings: what a command notices but can live with. They go to standard
// error; with --strict each one fails the command (status 2) instead, so
// that a script or CI job cannot overlook them.
#pragma once

#include <string>

#include "console.h"

// text names the file and the problem, without a prefix or a line end.
void warn(const Console& console, bool strict, const std::string& text);
