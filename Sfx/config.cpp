#include "config.h"

#include "folders.h"
#include "messages.h"

namespace {

bool read_byte(CWinFile& archive, uint8_t& value) {
    return archive.read(&value, 1) == 1;
}

// A count byte and that many units; false when the file ends inside it.
bool read_counted(CWinFile& archive, CWideString& out) {
    uint8_t n = 0;
    return read_byte(archive, n) && read_config_string(archive, n, out) == n;
}

}  // namespace

int read_config_string(CWinFile& archive, uint8_t n, CWideString& out) {
    constexpr size_t UNIT_BYTES = 2;
    out.resize(n);
    if (n == 0) return 0;
    uint8_t bytes[MAX_CONFIG_UNITS * UNIT_BYTES];
    int32_t got = archive.read(bytes, n * UNIT_BYTES);
    if (got < 0) {
        out.resize(0);
        return -1;
    }
    int units = got / static_cast<int>(UNIT_BYTES);
    for (int i = 0; i < units; ++i)
        out.data()[i] = static_cast<wchar_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    out.resize(units);
    return units;
}

bool read_config_block(CWinFile& archive, CConfigBlock& block) {
    if (!read_byte(archive, block.lead_byte)) return false;
    if (block.lead_byte == 0) return true;
    return read_counted(archive, block.title) && read_byte(archive, block.base_selector) &&
           read_counted(archive, block.destination) &&
           read_counted(archive, block.shortcut_target) &&
           read_byte(archive, block.start_menu_option) &&
           read_byte(archive, block.desktop_option) && read_byte(archive, block.send_to_option) &&
           read_counted(archive, block.run_after) && read_counted(archive, block.shortcut_name);
}

CPathParts split_destination(const CWideString& path) {
    CPathParts parts;
    if (!split_path(path, parts)) throw SplitPathError();
    return parts;
}

CWideString resolve_destination(uint8_t base_selector, const CWideString& stored) {
    if (stored.empty()) return current_directory();
    if (!split_destination(stored).drive.empty()) return stored;
    CWideString folder =
        base_selector ? special_folder_path(PROGRAM_FILES_FOLDER) : current_directory();
    // An empty base (the folder could not be found) still gives "\" + stored.
    if (folder.back() != L'\\') folder.push_back(L'\\');
    folder.append(stored.c_str(), stored.c_str() + stored.length());
    return folder;
}

bool read_config(CSfxConfig& config, CWinFile& archive) {
    CConfigBlock block;
    if (!read_config_block(archive, block)) return false;
    if (block.lead_byte == 0) {
        config.title = DEFAULT_TITLE;
        config.destination = current_directory();
        return true;
    }
    config.title = block.title.empty() ? CWideString(DEFAULT_TITLE) : block.title;
    config.destination = resolve_destination(block.base_selector, block.destination);
    config.shortcut_target = block.shortcut_target;
    config.start_menu_option = block.start_menu_option;
    config.desktop_option = block.desktop_option;
    config.send_to_option = block.send_to_option;
    config.run_after = block.run_after;
    config.shortcut_name = block.shortcut_name;
    config.present = 1;
    return true;
}

bool load_configuration(CSfxConfig& config, CWinFile& archive) {
    try {
        return read_config(config, archive);
    } catch (const SplitPathError&) {
        return false;
    }
}
