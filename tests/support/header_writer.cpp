#include "header_writer.h"

#include "engine_runner.h"

Bytes ascii(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Extension name_extension(const std::string& ansi_name) {
    return {EXT_NAME, ascii(ansi_name)};
}

Extension folder_extension(const std::string& folder_bytes) {
    return {EXT_FOLDER, ascii(folder_bytes)};
}

Bytes member_with(HeaderFields fields, const std::string& ansi_name, const Bytes& data) {
    fields.packed_size = static_cast<uint32_t>(data.size());
    if (fields.level == 2)
        fields.extensions.push_back(name_extension(ansi_name));
    else
        fields.name = ascii(ansi_name);
    return concat({header_bytes(fields), data});
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
