// Files and folders into an LHA archive: the pack command, and build when it
// is given files and folders instead of an archive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "console.h"
#include "options.h"
#include "output_file.h"

struct PackSummary {
    size_t members = 0;
    uint64_t input_bytes = 0;
    uint64_t archive_bytes = 0;
};

// Checks every input, then writes the archive into output (not committed).
// own_files are the files this run writes or replaces: found inside an input
// folder, they are left out. Raises ToolError (status 2) for everything
// gather_entries refuses and a SOURCE_DATE_EPOCH that is no number.
PackSummary pack_into(const std::vector<std::wstring>& inputs,
                      const std::vector<std::wstring>& own_files, OutputFile& output,
                      const PackOptions& options, const Console& console);

// build's rule: one input that is a file named *.lzh or *.lha is an archive.
bool is_archive_input(const std::vector<std::wstring>& inputs);
