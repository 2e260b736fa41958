// vornsfx pack, and the packing half of build.
#include "pack.h"

#include <algorithm>
#include <cstdlib>
#include <cwctype>

#include "archive_writer.h"
#include "commands.h"
#include "file_tree.h"
#include "help.h"
#include "output_file.h"
#include "progress.h"
#include "text/utf8.h"
#include "tool_error.h"
#include "tool_platform.h"

namespace {

constexpr char EPOCH_VARIABLE[] = "SOURCE_DATE_EPOCH";
const wchar_t* const ARCHIVE_EXTENSIONS[] = {L".lzh", L".lha"};

bool ends_with_folded(const std::wstring& text, const std::wstring& tail) {
    if (text.size() < tail.size()) return false;
    for (size_t i = 0; i < tail.size(); ++i)
        if (static_cast<wchar_t>(std::towlower(text[text.size() - tail.size() + i])) != tail[i])
            return false;
    return true;
}

// The output may lie inside a folder being packed ("pack . -o app.lzh"):
// the files this run writes (the output, its temporary files) and the output
// it replaces are left out, so the archive never holds itself and the same
// tree gives the same archive on every run. Only a file as large as one of
// them can be one of them, so most files are not looked at a second time.
std::vector<PackEntry> without_own_files(std::vector<PackEntry> entries,
                                         const std::vector<std::wstring>& own_files) {
    struct Own {
        FileIdentity identity;
        PathInfo info;
        bool sized;
    };
    std::vector<Own> own;
    for (const std::wstring& path : own_files) {
        Own o;
        o.sized = path_info(path, o.info);
        if (file_identity(path, o.identity)) own.push_back(o);
    }
    auto is_own = [&](const PackEntry& entry) {
        FileIdentity identity;
        bool checked = false;
        for (const Own& o : own) {
            if (o.sized && o.info.size != entry.size) continue;
            if (!checked && !file_identity(entry.source, identity)) return false;
            checked = true;
            if (o.identity.device == identity.device && o.identity.index == identity.index) return true;
        }
        return false;
    };
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const PackEntry& entry) { return !entry.folder && is_own(entry); }),
                  entries.end());
    return entries;
}

// A file system's root ("/", "C:\", or ".." far enough up) is refused:
// packing every file of a system is never what a setup program holds, and
// would walk into /proc and the like. A root is its own parent.
void refuse_roots(const std::vector<std::wstring>& inputs) {
    for (const std::wstring& input : inputs) {
        FileIdentity folder, parent;
        if (file_identity(input, folder) && folder.folder &&
            file_identity(input + NATIVE_SEPARATOR + L"..", parent) &&
            folder.device == parent.device && folder.index == parent.index)
            fail(path_to_bytes(input) +
                 ": the root of a file system; name the folders in it to pack instead");
    }
}

void clamp_to_epoch(PackSettings& settings) {
    const char* text = std::getenv(EPOCH_VARIABLE);
    if (!text || !*text) return;
    char* end = nullptr;
    long long value = std::strtoll(text, &end, 10);
    if (*end != '\0' || value < 0)
        fail(std::string(EPOCH_VARIABLE) + ": '" + text +
             "' is not a number of seconds since 1970");
    settings.clamp_times = true;
    settings.latest = value;
}

std::string size_text(uint64_t bytes) {
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

}  // namespace

bool is_archive_input(const std::vector<std::wstring>& inputs) {
    PathInfo info;
    if (inputs.size() != 1 || (path_info(inputs[0], info) && info.folder)) return false;
    for (const wchar_t* extension : ARCHIVE_EXTENSIONS)
        if (ends_with_folded(inputs[0], extension)) return true;
    return false;
}

PackSummary pack_into(const std::vector<std::wstring>& inputs,
                      const std::vector<std::wstring>& own_files, OutputFile& output,
                      const PackOptions& options, const Console& console) {
    refuse_roots(inputs);
    PackSettings settings;
    settings.dictionary_bits = options.dictionary_bits;
    settings.effort = options.effort;
    settings.threads = options.threads ? options.threads : std::min(usable_processors(), MAX_THREADS);
    clamp_to_epoch(settings);
    PackSummary summary;
    try {
        std::vector<PackEntry> entries = without_own_files(gather_entries(inputs), own_files);
        for (const PackEntry& entry : entries)
            summary.input_bytes += entry.size;
        summary.members = entries.size();
        ByteProgress progress(console, summary.input_bytes, options.quiet);
        settings.progress = [&](uint64_t bytes) { progress.advance(bytes); };
        summary.archive_bytes = write_archive(entries, output.file(), settings);
    } catch (const EncoderError& error) {
        fail(error.message);
    }
    output.cut(summary.archive_bytes);
    return summary;
}

int run_pack(const Arguments& args, const Console& console) {
    PackCommandOptions options = parse_pack_options(args);
    if (options.help) {
        console.out(command_help("pack"));
        return EXIT_OK;
    }
    std::vector<std::wstring> read_files = options.inputs;
    read_files.push_back(own_program());
    refuse_unsafe_output(options.output, read_files);
    if (options.pack.no_clobber) refuse_existing_output(options.output);
    OutputFile output(options.output);
    PackSummary summary = pack_into(options.inputs, {options.output, output.temporary_path()},
                                    output, options.pack, console);
    if (options.pack.no_clobber) refuse_existing_output(options.output);  // made meanwhile?
    output.commit();
    if (!options.pack.quiet)
        console.out(path_to_bytes(options.output) + ": " + std::to_string(summary.members) +
                    (summary.members == 1 ? " member, " : " members, ") +
                    size_text(summary.input_bytes) + " packed into " +
                    size_text(summary.archive_bytes) + "\n");
    return EXIT_OK;
}
