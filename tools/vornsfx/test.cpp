// vornsfx test: every member decoded with the stub's engine, one line each.
#include "archive_check.h"
#include "commands.h"
#include "help.h"
#include "input_file.h"
#include "progress.h"
#include "text_format.h"
#include "tool_error.h"

namespace {

struct Tally {
    int passed = 0;
    int failed = 0;
};

std::string member_path(const MemberEntry& entry) {
    return entry.header.path.empty() ? "(no name)" : shown_path(entry.header.path);
}

std::string result_line(const MemberEntry& entry, const MemberTest& test) {
    const std::string path = member_path(entry);
    switch (test.verdict) {
        case Verdict::passed:
            return "ok        " + path;
        case Verdict::folder:
            return "folder    " + path;
        case Verdict::unchecked:
            return "no CRC    " + path + " (decoded; its header has no CRC-16 to check)";
        case Verdict::mismatch:
            return "FAILED    " + path + ": CRC-16 " + hex_text(test.crc, 4) +
                   ", the header says " + hex_text(entry.header.crc, 4);
        case Verdict::undecodable:
            break;
    }
    return "FAILED    " + path + ": the data cannot be decoded";
}

std::string summary(const Tally& tally) {
    const int total = tally.passed + tally.failed;
    if (total == 0) return "the archive has no members\n";
    if (tally.failed == 0)
        return total == 1 ? "the member passed\n"
                          : "all " + std::to_string(total) + " members passed\n";
    return std::to_string(tally.failed) + " of " + std::to_string(total) +
           (total == 1 ? " member failed\n" : " members failed\n");
}

// -v: what was checked, behind a line that passed.
std::string details(const MemberEntry& entry, const MemberTest& test) {
    if (test.verdict != Verdict::passed) return std::string();
    return " (" + method_text(entry.header) + ", " + std::to_string(entry.header.original_size) +
           " bytes, CRC-16 " + hex_text(test.crc, 4) + ")";
}

int test_file(InputFile& input, CWinFile& sink, const FileOptions& options,
              const Console& console) {
    // Quiet lines of several files carry the file's name: there is no heading.
    const std::string prefix =
        options.quiet && options.files.size() > 1 ? input.name + ": " : std::string();
    CWinFile& archive = *input.app.archive;
    archive.seek(input.archive_offset, FILE_BEGIN);
    Tally tally;
    ProgressLine progress(console, scan_total_size(archive), "testing");
    WalkResult walk = walk_archive(archive, input.archive_offset, [&](const MemberEntry& entry) {
        std::string problem = member_problem(entry, input.size());
        std::string line;
        bool passed = problem.empty();
        if (passed) {
            MemberTest test = test_member(input.app, sink, entry);
            passed = verdict_passes(test.verdict);
            line = result_line(entry, test) + (options.verbose ? details(entry, test) : "");
        } else {
            line = "FAILED    " + member_path(entry) + ": " + problem;
        }
        ++(passed ? tally.passed : tally.failed);
        progress.clear();
        if (!passed || !options.quiet) console.out(prefix + line + "\n");
    });
    progress.clear();
    // A header the stub cannot read is no member: it is where extraction stops.
    const bool stops_early = walk.end == ArchiveEnd::rejected;
    if (stops_early)
        console.out(prefix + "FAILED    " + walk.rejection + "; nothing behind it is extracted\n");
    // Nothing tested is no pass: a script must not take an empty archive for a good one.
    const bool passed = tally.failed == 0 && !stops_early && walk.members > 0;
    if (!options.quiet || !passed) console.out(prefix + summary(tally));
    warn_about_end(input.name, walk, input.size(), options.strict, console);
    return passed ? EXIT_OK : EXIT_MEMBER_FAILED;
}

}  // namespace

int run_test(const Arguments& args, const Console& console) {
    FileOptions options = parse_file_options("test", args);
    if (options.help) {
        console.out(command_help("test"));
        return EXIT_OK;
    }
    CWinFile sink;
    open_sink(sink);
    return for_each_input(options, console,
                          [&](InputFile& input) { return test_file(input, sink, options, console); });
}
