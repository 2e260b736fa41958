// The program's own file: the stub's image, then the configuration block and
// the archive at PAYLOAD_OFFSET.
#pragma once

#include "text/win_file.h"

// Opens path for reading and positions it at PAYLOAD_OFFSET. Failures of the
// system are reported with the system's own text; the result is then false.
bool open_payload(CWinFile& archive, const wchar_t* path);

// open_payload on the running program's own file.
bool open_own_file(CWinFile& archive);
