#include "config_writer.h"

namespace {

void put_counted(std::vector<uint8_t>& out, const CWideString& text) {
    out.push_back(static_cast<uint8_t>(text.length()));
    for (size_t i = 0; i < text.length(); ++i) {
        uint16_t unit = static_cast<uint16_t>(text[i]);
        out.push_back(static_cast<uint8_t>(unit & 0xFF));
        out.push_back(static_cast<uint8_t>(unit >> 8));
    }
}

bool fits(const CWideString& text) {
    return text.length() <= MAX_CONFIG_UNITS;
}

}  // namespace

bool encode_config_block(const CConfigBlock& block, std::vector<uint8_t>& out) {
    if (block.lead_byte == 0) {
        out.push_back(0);
        return true;
    }
    if (!fits(block.title) || !fits(block.destination) || !fits(block.shortcut_target) ||
        !fits(block.run_after) || !fits(block.shortcut_name))
        return false;
    out.push_back(block.lead_byte);
    put_counted(out, block.title);
    out.push_back(block.base_selector);
    put_counted(out, block.destination);
    put_counted(out, block.shortcut_target);
    out.push_back(block.start_menu_option);
    out.push_back(block.desktop_option);
    out.push_back(block.send_to_option);
    put_counted(out, block.run_after);
    put_counted(out, block.shortcut_name);
    return true;
}
