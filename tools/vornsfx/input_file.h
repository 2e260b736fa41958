// Opening a file that list and test look into, and the archive build wraps.
//
// A file is taken as a self-extracting file when it is a Windows program (see
// is_pe_image) longer than PAYLOAD_OFFSET: its configuration block is read at
// that offset and its archive starts right behind the block, exactly where the
// stub finds them. Any other file is read as a plain LHA archive from its
// first byte.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Sfx/config.h"
#include "Sfx/sfx_app.h"
#include "console.h"
#include "options.h"
#include "output_file.h"

struct InputFile {
    std::string name;  // as given, UTF-8, for messages
    // Standard input, saved to a temporary file: the archive is read at the
    // offsets its headers give. Declared before app, so app's file closes first.
    std::unique_ptr<OutputFile> spool;
    CSfxApp app;       // app.archive: the open file, as the engine wants it
    bool self_extracting = false;
    CConfigBlock block;  // self-extracting files only
    int64_t archive_offset = 0;

    int64_t size() const { return app.archive->size(); }
};

// Opens path into input ("-": standard input); raises ToolError when the file cannot be opened, is
// a Windows program with nothing behind its image, or its configuration
// block is cut short.
void open_input(const std::wstring& path, InputFile& input);

// Opens the archive that build wraps: any file but a Windows program, read
// from its first byte.
void open_archive(const std::wstring& path, InputFile& input);

// Opens every file of options in turn and runs command on it. With more than
// one file, each one's output follows a "==> NAME <==" line, and a file that
// fails is reported on standard error without stopping the others. Returns
// the worst status.
int for_each_input(const FileOptions& options, const Console& console,
                   const std::function<int(InputFile&)>& command);
