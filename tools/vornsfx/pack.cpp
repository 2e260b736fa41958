// vornsfx pack, and the packing half of build.
#include "pack.h"

#include <algorithm>
#include <cstdlib>
#include <cwctype>

#include "archive_writer.h"
#include "commands.h"
#include "file_tree.h"
#include "head_start.h"
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
class OwnFiles {
public:
    explicit OwnFiles(const std::vector<std::wstring>& paths) {
        for (const std::wstring& path : paths) {
            Own own;
            own.sized = path_info(path, own.info);
            if (file_identity(path, own.identity)) own_.push_back(own);
        }
    }

    bool holds(const PackEntry& entry) const {
        if (entry.folder) return false;
        FileIdentity identity;
        bool checked = false;
        for (const Own& own : own_) {
            if (own.sized && own.info.size != entry.size) continue;
            if (!checked && !file_identity(entry.source, identity)) return false;
            checked = true;
            if (own.identity.device == identity.device && own.identity.index == identity.index)
                return true;
        }
        return false;
    }

private:
    struct Own {
        FileIdentity identity;
        PathInfo info;
        bool sized;
    };
    std::vector<Own> own_;
};

// The entries found, the run's own files left out. With threads, a worker
// starts on the first ones while the walk goes on (head_start.h).
std::vector<PackEntry> members_of(const std::vector<std::wstring>& inputs,
                                  const std::vector<std::wstring>& own_files, HeadStart& head) {
    OwnFiles own(own_files);
    std::vector<char> kept;  // per entry found
    std::vector<PackEntry> entries = gather_entries(inputs, [&](const PackEntry& entry) {
        kept.push_back(!own.holds(entry));
        if (kept.back()) head.add(entry);
    });
    head.finish();
    size_t next = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!kept[i]) continue;
        if (next != i) entries[next] = std::move(entries[i]);
        ++next;
    }
    entries.resize(next);
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
        HeadStart head(settings);
        std::vector<PackEntry> entries = members_of(inputs, own_files, head);
        for (const PackEntry& entry : entries)
            summary.input_bytes += entry.size;
        summary.members = entries.size();
        ByteProgress progress(console, summary.input_bytes, options.quiet);
        settings.progress = [&](uint64_t bytes) { progress.advance(bytes); };
        summary.archive_bytes = write_archive(entries, output.file(), settings, &head);
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
