#include "header_writer.h"

#include "engine_runner.h"

Bytes ascii(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Extension name_extension(const std::string& ansi_name) {
    return {EXT_NAME, ascii(ansi_name)};
}

Bytes member_with(HeaderFields fields, const std::string& ansi_name, const Bytes& data) {
    fields.packed_size = static_cast<uint32_t>(data.size());
    if (fields.level == 2)
        fields.extensions.push_back(name_extension(ansi_name));
    else
        fields.name = ascii(ansi_name);
    return concat({header_bytes(fields), data});
}

Bytes unix_link_member(int level, const std::string& link_and_target, bool link, uint8_t os_id) {
    const uint16_t mode = link ? 0120777 : 0100644;
    const Bytes mode_bytes = {static_cast<uint8_t>(mode & 0xFF), static_cast<uint8_t>(mode >> 8)};
    HeaderFields f;
    f.level = level;
    f.method = "-lhd-";
    f.os_id = os_id;
    if (level == 0) {
        f.with_os = true;
        f.level0_extra = concat({Bytes(5, 0), mode_bytes, Bytes(4, 0)});  // version, time; uid, gid
    } else {
        f.extensions = {{0x50, mode_bytes}};
    }
    return member_with(f, link_and_target, Bytes());
}

Bytes stored_member(int level, const std::string& ansi_name, const Bytes& data) {
    HeaderFields f;
    f.level = level;
    f.original_size = static_cast<uint32_t>(data.size());
    f.crc = reference_crc16(data);
    return member_with(f, ansi_name, data);
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
