// vornsfx list: the configuration block of a self-extracting file, field by
// field, and a table of the archive's members.
#include <cstdio>
#include <vector>

#include "archive_check.h"
#include "commands.h"
#include "help.h"
#include "input_file.h"
#include "list_json.h"
#include "text_format.h"
#include "time_text.h"
#include "tool_error.h"

namespace {

constexpr int ROW_TEXT_SIZE = 128;
// One format for the heading and the rows keeps the columns aligned.
constexpr char ROW_FORMAT[] = "%-6s %11s %11s  %-25s  %-6s  %-5s  ";

std::string field(const char* name, const std::string& value) {
    char padded[ROW_TEXT_SIZE];
    std::snprintf(padded, sizeof padded, "  %-17s", name);
    return padded + value + "\n";
}

std::string bits_field(const char* name, uint8_t bits) {
    return field(name, option_bits_text(bits) + " (" + hex_text(bits, 2) + ")");
}

std::string block_listing(const InputFile& input) {
    const CConfigBlock& block = input.block;
    const int64_t block_size = input.archive_offset - PAYLOAD_OFFSET;
    std::string text = "configuration block at " + hex_text(PAYLOAD_OFFSET) + ", " +
                       std::to_string(block_size) + (block_size == 1 ? " byte:\n" : " bytes:\n");
    if (block.lead_byte == 0)
        return text + field("lead byte",
                            "0x00 (no settings: no dialog, the stub extracts "
                            "into its current folder)");
    text += field("lead byte", hex_text(block.lead_byte, 2) + " (settings follow)");
    text += field("title", quoted(block.title) + (block.title.empty() ? " (shown: Vorn SFX)" : ""));
    text += field("base",
                  base_text(block.base_selector) + " (" + hex_text(block.base_selector, 2) + ")");
    text += field("dest", quoted(block.destination) +
                              (block.destination.empty() ? " (the current folder)" : ""));
    text += field("shortcut-target", quoted(block.shortcut_target));
    text += bits_field("start-menu", block.start_menu_option);
    text += bits_field("desktop", block.desktop_option);
    text += bits_field("send-to", block.send_to_option);
    text += field("run-after", quoted(block.run_after));
    text += field("shortcut-name", quoted(block.shortcut_name));
    return text;
}

std::string member_row(const MemberEntry& entry) {
    const CMemberHeader& h = entry.header;
    std::string crc = h.has_crc ? hex_text(h.crc, 4) : "-";
    char row[ROW_TEXT_SIZE];
    std::snprintf(row, sizeof row, ROW_FORMAT, method_text(h).c_str(),
                  std::to_string(h.original_size).c_str(), std::to_string(h.packed_size).c_str(),
                  member_time_text(h).c_str(), crc.c_str(), std::to_string(h.level).c_str());
    return row + shown_path(h.path) + "\n";
}

std::string table_heading() {
    char row[ROW_TEXT_SIZE];
    std::snprintf(row, sizeof row, ROW_FORMAT, "method", "original", "packed", "time", "CRC-16",
                  "level");
    return std::string(row) + "path\n";
}

std::string end_text(const InputFile& input, const WalkResult& walk, uint64_t original_total) {
    std::string text = walk.members == 0 ? std::string("the archive has no members\n")
                                          : std::to_string(walk.members) +
                                                (walk.members == 1 ? " member, " : " members, ") +
                                                std::to_string(original_total) + " bytes\n";
    if (walk.end == ArchiveEnd::file_end)
        return text + "the archive ends with the file, without its terminating zero byte\n";
    if (walk.end == ArchiveEnd::cut)
        return text + "the archive is cut short inside the last member's data\n";
    text += "the archive's terminating zero byte is at " + hex_text(walk.end_offset) + "\n";
    int64_t behind = bytes_behind(walk, input.size());
    if (behind > 0) text += std::to_string(behind) + " bytes follow it (never read by the stub)\n";
    return text;
}

int run_json_list(InputFile& input, bool strict, const Console& console) {
    std::vector<MemberEntry> members;
    WalkResult walk = walk_archive(*input.app.archive, input.archive_offset,
                                   [&](const MemberEntry& entry) { members.push_back(entry); });
    console.out(json_listing(input, members, walk));
    if (walk.end == ArchiveEnd::rejected) fail(input.name + ": " + walk.rejection);
    warn_about_end(input.name, walk, input.size(), strict, console);
    return EXIT_OK;
}

int list_file(InputFile& input, const FileOptions& options, const Console& console) {
    if (options.json) return run_json_list(input, options.strict, console);
    if (input.self_extracting) {
        console.out("self-extracting file " + input.name + ", " + std::to_string(input.size()) +
                    " bytes\n");
        console.out(block_listing(input));
        console.out("archive at " + hex_text(static_cast<uint64_t>(input.archive_offset)) + ":\n");
    } else {
        console.out("LHA archive " + input.name + ", " + std::to_string(input.size()) + " bytes\n");
    }
    console.out(table_heading());
    uint64_t original_total = 0;
    WalkResult walk =
        walk_archive(*input.app.archive, input.archive_offset, [&](const MemberEntry& entry) {
            console.out(member_row(entry));
            original_total += entry.header.original_size;
            std::string problem = member_problem(entry, input.size());
            if (!problem.empty()) console.out("  ! the stub cannot extract it: " + problem + "\n");
        });
    if (walk.end == ArchiveEnd::rejected) fail(input.name + ": " + walk.rejection);
    console.out(end_text(input, walk, original_total));
    warn_about_end(input.name, walk, input.size(), options.strict, console);
    return EXIT_OK;
}

}  // namespace

int run_list(const Arguments& args, const Console& console) {
    FileOptions options = parse_file_options("list", args);
    if (options.help) {
        console.out(command_help("list"));
        return EXIT_OK;
    }
    if (options.json && options.files.size() > 1)
        fail("list --json takes one file (see: vornsfx list --help)");
    // -q: nothing but errors and warnings, a check that the file can be read.
    Console quiet_console = console;
    std::string discarded;
    if (options.quiet) quiet_console.captured_out = &discarded;
    return for_each_input(options, console,
                          [&](InputFile& input) { return list_file(input, options, quiet_console); });
}
