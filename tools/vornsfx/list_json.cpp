#include "list_json.h"

#include "Sfx/paths.h"
#include "huffman/huffman.h"
#include "options.h"
#include "text/utf8.h"
#include "text_format.h"
#include "time_text.h"

namespace {

constexpr char FIRST_PRINTABLE = 0x20;
constexpr int LEVEL_UNIX_TIME = 2;
constexpr size_t DATE_AND_TIME = 19;  // "2021-06-15 12:34:56"

std::string json_string(const std::string& utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        if (c == '"' || c == '\\')
            out += std::string("\\") + c;
        else if (static_cast<unsigned char>(c) < FIRST_PRINTABLE)
            out += "\\u" + hex_text(static_cast<unsigned char>(c), 4).substr(2);
        else
            out += c;
    }
    return out + "\"";
}

std::string json_string(const wchar_t* units, size_t count) {
    return json_string(utf16_to_utf8(units, count));
}

std::string json_string(const CWideString& text) {
    return json_string(text.c_str(), text.length());
}

std::string written_path(const CMemberHeader& header) {
    CWideSz written(header.path);
    sanitize_member_path(written);
    return json_string(written.c_str(), written.length());
}

// "2021-06-15 12:34:56 UTC" becomes "2021-06-15T12:34:56Z".
std::string iso_time(const CMemberHeader& header) {
    if (header.level == LEVEL_UNIX_TIME) {
        std::string text = utc_time_text(header.mtime).substr(0, DATE_AND_TIME);
        return "\"time\": \"" + text.replace(10, 1, "T") + "Z\"";
    }
    std::string text = dos_time_text(static_cast<uint32_t>(header.raw_time)).substr(0, DATE_AND_TIME);
    return "\"local_time\": \"" + text.replace(10, 1, "T") + "\"";
}

std::string member_object(const MemberEntry& entry) {
    const CMemberHeader& h = entry.header;
    return "    {\"path\": " + written_path(h) +
           ", \"stored_path\": " + json_string(h.path.c_str(), h.path.length()) +
           ", \"method\": " + json_string(method_text(h)) +
           ", \"folder\": " + (entry.method == HUFFMAN::METHOD_LHD ? "true" : "false") +
           ", \"original_size\": " + std::to_string(h.original_size) +
           ", \"packed_size\": " + std::to_string(h.packed_size) +
           ", \"crc16\": " + (h.has_crc ? json_string(hex_text(h.crc, 4)) : "null") + ", " +
           iso_time(h) + ", \"level\": " + std::to_string(h.level) + "}";
}

std::string settings_object(const InputFile& input) {
    const CConfigBlock& b = input.block;
    if (!input.self_extracting) return "null";
    if (b.lead_byte == 0) return "{\"dialog\": false}";
    return "{\"dialog\": true, \"title\": " + json_string(b.title) +
           ", \"dest\": " + json_string(b.destination) +
           ", \"base\": " + json_string(base_text(b.base_selector)) +
           ", \"shortcut_target\": " + json_string(b.shortcut_target) +
           ", \"start_menu\": " + json_string(option_bits_text(b.start_menu_option)) +
           ", \"desktop\": " + json_string(option_bits_text(b.desktop_option)) +
           ", \"send_to\": " + json_string(option_bits_text(b.send_to_option)) +
           ", \"run_after\": " + json_string(b.run_after) +
           ", \"shortcut_name\": " + json_string(b.shortcut_name) + "}";
}

const char* end_word(ArchiveEnd end) {
    switch (end) {
        case ArchiveEnd::marker:
            return "zero byte";
        case ArchiveEnd::file_end:
            return "file end, no zero byte";
        case ArchiveEnd::cut:
            return "cut inside a member";
        case ArchiveEnd::rejected:
            break;
    }
    return "header the stub rejects";
}

}  // namespace

std::string json_listing(const InputFile& input, const std::vector<MemberEntry>& members,
                         const WalkResult& walk) {
    std::string text = "{\n  \"file\": " + json_string(input.name) +
                       ",\n  \"self_extracting\": " + (input.self_extracting ? "true" : "false") +
                       ",\n  \"settings\": " + settings_object(input) +
                       ",\n  \"archive_offset\": " + std::to_string(input.archive_offset) +
                       ",\n  \"members\": [";
    for (size_t i = 0; i < members.size(); ++i)
        text += (i ? ",\n" : "\n") + member_object(members[i]);
    return text + (members.empty() ? "" : "\n  ") + "],\n  \"end\": " +
           json_string(end_word(walk.end)) + "\n}\n";
}
