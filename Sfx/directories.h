// Folders and output files on disk, for member extraction and for the
// destination folder itself.
#pragma once

#include <cstdint>

#include "text/wide_string.h"
#include "text/win_file.h"

// Creates the folder path with every missing parent, from the top down. True
// when a folder stands at path afterwards (also when it stood there before).
// On false the calling thread's last error tells why; nothing is shown.
bool create_directory_tree(const CWideString& path);

// Opens path with CreateFileW (access, share and disposition as given),
// creating its parent folders when they are missing, whichever separator the
// path uses.
// False when a parent folder or the file cannot be made; the calling thread's
// last error then tells why.
bool open_output_file(CWinFile& file, const CWideString& path, uint32_t access, uint32_t share,
                      uint32_t disposition);
