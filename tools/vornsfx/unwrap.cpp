// vornsfx unwrap: the LHA archive inside a self-extracting file, written out
// as it is stored: from behind the configuration block through the archive's
// terminating zero byte. The output is written as build writes its own (a
// temporary file renamed into place, never over the input).
#include <algorithm>
#include <vector>

#include "archive_check.h"
#include "commands.h"
#include "help.h"
#include "input_file.h"
#include "output_file.h"
#include "path_options.h"
#include "tool_error.h"
#include "tool_platform.h"

namespace {

constexpr size_t COPY_BLOCK = 1 << 16;

// Where the archive ends: behind its zero byte, or, without one, at the
// file's end (what follows is then copied as it is, and a warning says so).
int64_t archive_end(InputFile& input, const Console& console) {
    WalkResult walk = walk_archive(*input.app.archive, input.archive_offset,
                                   [](const MemberEntry&) {});
    if (walk.end == ArchiveEnd::marker) return walk.end_offset + 1;
    if (walk.end == ArchiveEnd::file_end)
        console.err(missing_marker_warning(input.name, walk));
    else
        console.err("vornsfx: warning: " + input.name +
                    ": the archive is damaged; everything behind the settings is copied\n");
    return input.size();
}

}  // namespace

int run_unwrap(const Arguments& args, const Console& console) {
    PathOptions options = parse_path_options("unwrap", args, "-o", "--output");
    if (options.help) {
        console.out(command_help("unwrap"));
        return EXIT_OK;
    }
    if (options.value.empty()) fail("no output given: -o ARCHIVE.lzh (see: vornsfx unwrap --help)");
    InputFile input;
    open_input(options.file, input);
    if (!input.self_extracting) fail(input.name + ": not a self-extracting file");
    refuse_unsafe_output(options.value, {options.file, own_program()});
    const int64_t end = archive_end(input, console);
    OutputFile output(options.value);
    CWinFile& archive = *input.app.archive;
    archive.seek(input.archive_offset, FILE_BEGIN);
    std::vector<char> buffer(COPY_BLOCK);
    for (int64_t left = end - input.archive_offset; left > 0;) {
        const uint32_t part = static_cast<uint32_t>(std::min<int64_t>(left, COPY_BLOCK));
        if (archive.read(buffer.data(), part) != static_cast<int32_t>(part))
            fail(input.name + ": cannot read: " + last_error_text());
        output.write(buffer.data(), part);
        left -= part;
    }
    output.commit();
    return EXIT_OK;
}
