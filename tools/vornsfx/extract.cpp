// vornsfx extract: the members of a self-extracting file or an LHA archive
// written under a folder exactly where the stub writes them. Each stored path
// goes through the stub's sanitiser, so nothing lands outside the folder;
// members of unknown methods and symbolic links are skipped, as the stub
// skips them; folder members become folders; files are decoded by the stub's
// engine, checked against their CRC-16 and given their header's time.
//
// Like the stub, the run stops at the first member it cannot write or whose
// data is damaged. Unlike the stub, the damaged file is removed: a script
// must not find a corrupt file where it expects a good one. And unlike the
// stub, which writes where its user chose, extract often runs in folders
// others can write to: a member whose way meets a link it did not make (it
// makes none) is refused and stops the run, so nothing lands outside the
// folder through a link planted there.
#include <string>

#include "archive_check.h"
#include "commands.h"
#include "extract_platform.h"
#include "help.h"
#include "huffman/huffman.h"
#include "input_file.h"
#include "path_options.h"
#include "Sfx/paths.h"
#include "text/utf8.h"
#include "text_format.h"
#include "tool_error.h"
#include "tool_platform.h"

namespace {

bool is_separator(wchar_t c) {
    return c == L'/' || c == L'\\';
}

// The folder with every missing parent, top down, as the stub makes it.
bool make_folder_tree(const std::wstring& path) {
    if (make_one_folder(path)) return true;
    size_t end = path.size();
    while (end > 1 && is_separator(path[end - 1])) --end;
    size_t cut = path.find_last_of(L"/\\", end - 1);
    if (cut == std::wstring::npos || cut == 0) return false;
    return make_folder_tree(path.substr(0, cut)) && make_one_folder(path);
}

class Extractor {
public:
    Extractor(InputFile& input, const std::wstring& folder, const Console& console)
        : input_(input), folder_(folder), console_(console) {}

    // False when the run stops here; the reason has been printed.
    bool extract(const MemberEntry& entry) {
        CWideSz path(entry.header.path);
        sanitize_member_path(path);
        const std::string shown = path.empty() ? "(no name)" : shown_path(path);
        if (entry.method < 0 || is_symbolic_link(entry.header)) {
            const char* why = entry.method < 0 ? "unknown method " : "symbolic link, method ";
            console_.out("skipped   " + shown + " (" + why + method_text(entry.header) + ")\n");
            return true;
        }
        std::string problem = member_problem(entry, input_.size());
        if (problem.empty()) {
            const std::wstring relative = path.c_str();
            problem = entry.method == HUFFMAN::METHOD_LHD ? make_folder(relative)
                                                          : write_file(entry, relative);
        }
        console_.out((problem.empty() ? "ok        " : "FAILED    ") + shown +
                     (problem.empty() ? "" : ": " + problem) + "\n");
        return problem.empty();
    }

private:
    static std::string place_problem(const Place& place) {
        switch (place.outcome) {
        case PlaceOutcome::ready:
            return std::string();
        case PlaceOutcome::link:
            return shown_path(CWideSz(place.link.c_str())) +
                   " is a link (symbolic link or junction), which extract does not follow";
        case PlaceOutcome::folder_failed:
            return "cannot create its folder: " + last_error_text();
        case PlaceOutcome::is_folder:
            return "a folder of that name exists";
        case PlaceOutcome::file_failed:
            break;
        }
        return "cannot create the file: " + last_error_text();
    }

    std::string make_folder(const std::wstring& relative) {
        return place_problem(MemberPlace().make_folders(folder_, relative));
    }

    std::string write_file(const MemberEntry& entry, const std::wstring& relative) {
        if (relative.empty()) return "it has no name, so no file can be created";
        MemberPlace place;
        CWinFile output;
        const std::string problem = place_problem(place.create_file(folder_, relative, output));
        if (!problem.empty()) return problem;
        MemberTest test = decode_into(entry, output, folder_ + L"/" + relative);
        if (verdict_passes(test.verdict)) {
            place.finish(output, entry.header.mtime);
            return std::string();
        }
        place.discard(output);
        if (test.verdict == Verdict::undecodable) return "the data cannot be decoded";
        return "CRC-16 " + hex_text(test.crc, 4) + ", the header says " +
               hex_text(entry.header.crc, 4);
    }

    MemberTest decode_into(const MemberEntry& entry, CWinFile& output, const std::wstring& target) {
        MemberTest test;
        input_.app.archive->seek(entry.data_offset, FILE_BEGIN);
        try {
            test.crc = HUFFMAN::expand_member(input_.app, output, entry.header.original_size,
                                              entry.header.packed_size, target.c_str(),
                                              entry.method);
        } catch (HUFFMAN::HufError) {
            test.verdict = Verdict::undecodable;
            return test;
        }
        if (entry.header.has_crc && test.crc != entry.header.crc) test.verdict = Verdict::mismatch;
        return test;
    }

    InputFile& input_;
    std::wstring folder_;
    const Console& console_;
};

}  // namespace

int run_extract(const Arguments& args, const Console& console) {
    PathOptions options = parse_path_options("extract", args, "-C", "--directory");
    if (options.help) {
        console.out(command_help("extract"));
        return EXIT_OK;
    }
    InputFile input;
    open_input(options.file, input);
    const std::wstring folder = options.value.empty() ? L"." : options.value;
    if (!make_folder_tree(folder))
        fail("cannot create the folder " + path_to_bytes(folder) + ": " + last_error_text());
    HUFFMAN::build_crc16_table();
    Extractor extractor(input, folder, console);
    bool stopped = false;
    WalkResult walk = walk_archive(*input.app.archive, input.archive_offset,
                                   [&](const MemberEntry& entry) {
                                       if (!stopped) stopped = !extractor.extract(entry);
                                   });
    // A header the stub cannot read ends its run there, as a damaged member does.
    if (!stopped && walk.end == ArchiveEnd::rejected) {
        console.out("FAILED    " + walk.rejection + "; nothing behind it is extracted\n");
        stopped = true;
    }
    if (stopped) console.out("extraction stopped, as the stub's would\n");
    console.err(missing_marker_warning(input.name, walk));
    return stopped ? EXIT_MEMBER_FAILED : EXIT_OK;
}
