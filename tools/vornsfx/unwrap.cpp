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
#include "text/utf8.h"
#include "tool_error.h"
#include "tool_platform.h"

namespace {

constexpr size_t COPY_BLOCK = 1 << 16;

struct UnwrapOptions {
    bool help = false;
    std::wstring file;
    std::wstring output;
};

[[noreturn]] void usage_error(const std::string& problem) {
    fail(problem + " (see: vornsfx unwrap --help)");
}

UnwrapOptions parse_unwrap_options(const Arguments& args) {
    UnwrapOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "-h" || word == "--help") {
            options.help = true;
            return options;
        }
        if (word == "-o" || word == "--output") {
            if (++i == args.size()) usage_error(word + ": a value is missing");
            options.output = path_to_utf16(args[i]);
        } else if (word.size() > 1 && word[0] == '-') {
            usage_error("unknown option " + word);
        } else if (!options.file.empty()) {
            usage_error("more than one file given");
        } else {
            options.file = path_to_utf16(word);
        }
    }
    if (options.file.empty()) usage_error("no file given");
    if (options.output.empty()) usage_error("no output given (-o ARCHIVE.lzh)");
    return options;
}

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
    UnwrapOptions options = parse_unwrap_options(args);
    if (options.help) {
        console.out(command_help("unwrap"));
        return EXIT_OK;
    }
    InputFile input;
    open_input(options.file, input);
    if (!input.self_extracting) fail(input.name + ": not a self-extracting file");
    refuse_unsafe_output(options.output, {options.file, own_program()});
    const int64_t end = archive_end(input, console);
    OutputFile output(options.output);
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
