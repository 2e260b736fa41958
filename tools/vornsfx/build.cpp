// vornsfx build: stub image + configuration block + archive, verified first.
#include <algorithm>
#include <cwctype>
#include <memory>
#include <set>
#include <vector>

#include "Sfx/config_writer.h"
#include "archive_check.h"
#include "commands.h"
#include "help.h"
#include "input_file.h"
#include "member_paths.h"
#include "output_file.h"
#include "pack.h"
#include "progress.h"
#include "stub_image.h"
#include "text/utf8.h"
#include "text_format.h"
#include "tool_error.h"
#include "tool_platform.h"
#include "warning.h"

namespace {

constexpr uint32_t COPY_CHUNK = 1u << 20;
constexpr uint8_t ARCHIVE_END_MARKER = 0;
constexpr wchar_t PACKED_SUFFIX[] = L".lzh";

// What build learnt about the archive.
struct ArchiveFacts {
    int members = 0;
    int64_t length = 0;                   // bytes copied from the archive file
    bool add_marker = false;              // the file ended without the zero byte
    int64_t dropped = 0;                  // bytes after the zero byte, never read by the stub
    std::set<std::wstring> member_names;  // as compare_name makes them
};

// Member paths and the options that name members, made comparable: one
// separator, and case folded like Windows file names.
std::wstring compare_name(const wchar_t* text, size_t length) {
    std::wstring name(text, length);
    for (wchar_t& c : name)
        c = c == L'\\' ? L'/' : static_cast<wchar_t>(std::towlower(c));
    return name;
}

void refuse_member(const InputFile& archive, const MemberEntry& entry, const std::string& why) {
    fail(archive.name + ": " + member_label(entry) + ": " + why);
}

void verify_member(InputFile& archive, CWinFile& sink, const MemberEntry& entry) {
    MemberTest test = test_member(archive.app, sink, entry);
    if (test.verdict == Verdict::undecodable)
        refuse_member(archive, entry, "the stub's engine cannot decode its data");
    if (test.verdict == Verdict::mismatch)
        refuse_member(archive, entry,
                      "decoded to CRC-16 " + hex_text(test.crc, 4) + ", the header says " +
                          hex_text(entry.header.crc, 4) +
                          " (the stub would report the file as broken)");
}

ArchiveFacts check_archive(InputFile& archive, const BuildOptions& options,
                           const Console& console) {
    const bool verify = options.verify;
    ArchiveFacts facts;
    CWinFile sink;
    if (verify) open_sink(sink);
    ProgressLine progress(console, verify ? scan_total_size(*archive.app.archive) : 0, "verifying");
    WrittenPaths written;
    WalkResult walk = walk_archive(*archive.app.archive, 0, [&](const MemberEntry& entry) {
        std::string problem = member_problem(entry, archive.size());
        if (problem.empty()) problem = written.add(entry);
        if (!problem.empty()) refuse_member(archive, entry, problem);
        if (verify) verify_member(archive, sink, entry);
        facts.member_names.insert(
            compare_name(entry.header.path.c_str(), entry.header.path.length()));
    });
    if (walk.end == ArchiveEnd::rejected) fail(archive.name + ": " + walk.rejection);
    if (walk.members == 0) fail(archive.name + ": the archive has no members");
    facts.members = walk.members;
    facts.add_marker = walk.end == ArchiveEnd::file_end;
    const std::string missing = missing_marker_text(archive.name, walk);
    if (!missing.empty()) warn(console, options.strict, missing);
    facts.length = facts.add_marker ? walk.end_offset : walk.end_offset + 1;
    facts.dropped = archive.size() - facts.length;
    return facts;
}

// A shortcut target or a program to run that is not in the archive is most
// likely a typing mistake; the stub would fail silently at the user's end.
void warn_unless_member(const ArchiveFacts& facts, const char* option, const CWideString& text,
                        bool strict, const Console& console) {
    if (text.empty() || facts.member_names.count(compare_name(text.c_str(), text.length()))) return;
    warn(console, strict, std::string(option) + ": the archive has no member " + quoted(text));
}

void copy_archive(InputFile& archive, int64_t length, OutputFile& output) {
    CWinFile& file = *archive.app.archive;
    file.seek(0, FILE_BEGIN);
    std::vector<uint8_t> buffer(COPY_CHUNK);
    while (length > 0) {
        uint32_t part = static_cast<uint32_t>(std::min<int64_t>(length, COPY_CHUNK));
        if (file.read(buffer.data(), part) != static_cast<int32_t>(part))
            fail(archive.name + ": reading failed");
        output.write(buffer.data(), part);
        length -= part;
    }
}

std::string summary(const std::wstring& output, size_t block_size, const ArchiveFacts& facts,
                    bool verify) {
    std::string text = path_to_bytes(output) + ": stub " + std::to_string(PAYLOAD_OFFSET) +
                       " bytes, configuration block " + std::to_string(block_size) +
                       (block_size == 1 ? " byte" : " bytes") + ", archive " +
                       std::to_string(facts.members) +
                       (facts.members == 1 ? " member" : " members") + " in " +
                       std::to_string(facts.length + (facts.add_marker ? 1 : 0)) + " bytes";
    if (facts.add_marker) text += " (its missing terminating zero byte added)";
    text += verify ? "; every member decoded and checked\n"
                   : "; headers checked, members not decoded (--no-verify)\n";
    return text;
}

}  // namespace

int run_build(const Arguments& args, const Console& console) {
    BuildOptions options = parse_build_options(args);
    if (options.help) {
        console.out(command_help("build"));
        return EXIT_OK;
    }
    const std::wstring stub = options.stub.empty() ? default_stub_path() : options.stub;
    ByteVector image = load_stub_image(stub);
    ByteVector block;
    if (!encode_config_block(options.block, block)) fail("a text of the configuration is too long");

    // Created first: an output folder that cannot be written to fails the
    // build before the long packing and verification, not after.
    std::vector<std::wstring> read_files = options.inputs;
    read_files.insert(read_files.end(), {stub, own_program()});
    refuse_unsafe_output(options.output, read_files);
    if (options.pack.no_clobber) refuse_existing_output(options.output);
    OutputFile output(options.output);
    // Files and folders are packed first into a temporary archive beside the
    // output, which is then checked like any archive given to build.
    std::unique_ptr<OutputFile> packed;
    std::wstring archive_path = options.inputs[0];
    if (!is_archive_input(options.inputs)) {
        packed.reset(new OutputFile(options.output + PACKED_SUFFIX));
        pack_into(options.inputs,
                  {options.output, output.temporary_path(), packed->temporary_path()}, *packed,
                  options.pack, console);
        packed->close();
        archive_path = packed->temporary_path();
    }
    InputFile archive;
    open_archive(archive_path, archive);
    if (packed) archive.name = "the packed archive";
    ArchiveFacts facts = check_archive(archive, options, console);
    if (facts.dropped > 0)
        warn(console, options.strict,
             archive.name + ": " + std::to_string(facts.dropped) +
                 " bytes after the archive's terminating zero byte are left out");
    warn_unless_member(facts, "--shortcut-target", options.block.shortcut_target, options.strict,
                       console);
    warn_unless_member(facts, "--run-after", options.block.run_after, options.strict, console);

    output.write(image.data(), image.size());
    output.write(block.data(), block.size());
    copy_archive(archive, facts.length, output);
    if (facts.add_marker) output.write(&ARCHIVE_END_MARKER, 1);
    // Checked again: another program may have created it meanwhile.
    if (options.pack.no_clobber) refuse_existing_output(options.output);
    output.commit();
    if (!options.pack.quiet)
        console.out(summary(options.output, block.size(), facts, options.verify));
    return EXIT_OK;
}
