// The folders the configuration is resolved against.
#pragma once

#include "text/wide_string.h"

// Path units of the buffers the system fills (MAX_PATH).
constexpr size_t PATH_UNITS = 260;

// The process's current directory, or an empty text when it does not fit.
CWideString current_directory();

// The file-system path of a shell special folder (a CSIDL), or an empty text.
CWideString special_folder_path(int csidl);
