#include "header_writer.h"

#include "engine_runner.h"

namespace {

void put16(Bytes& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void put32(Bytes& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// Each extension as stored: type, data, then the size of the next one.
Bytes chain(const std::vector<Extension>& extensions, uint32_t& total) {
    Bytes out;
    total = 0;
    for (size_t i = 0; i < extensions.size(); ++i) {
        const Extension& e = extensions[i];
        out.push_back(e.type);
        out.insert(out.end(), e.data.begin(), e.data.end());
        size_t next = i + 1 < extensions.size() ? extensions[i + 1].data.size() + 3 : 0;
        put16(out, static_cast<uint32_t>(next));
        total += static_cast<uint32_t>(e.data.size() + 3);
    }
    return out;
}

uint32_t first_size(const std::vector<Extension>& extensions) {
    return extensions.empty() ? 0 : static_cast<uint32_t>(extensions[0].data.size() + 3);
}

void put_common(Bytes& out, const HeaderFields& f, uint32_t size_field) {
    out.insert(out.end(), f.method.begin(), f.method.begin() + 5);
    put32(out, size_field);
    put32(out, f.original_size);
    put32(out, f.time);
    out.push_back(f.attribute);
    out.push_back(static_cast<uint8_t>(f.level));
}

}  // namespace

Bytes header_bytes(const HeaderFields& f) {
    Bytes out;
    if (f.level == 2) {
        uint32_t total = 0;
        Bytes extensions = chain(f.extensions, total);
        put16(out, 26 + total);
        put_common(out, f, f.packed_size);
        put16(out, f.crc);
        out.push_back(f.os_id);
        put16(out, first_size(f.extensions));
        out.insert(out.end(), extensions.begin(), extensions.end());
        return out;
    }
    uint32_t total = 0;
    Bytes extensions = f.level == 0 ? Bytes() : chain(f.extensions, total);
    out.push_back(0);  // header length, filled in below
    out.push_back(0);  // checksum: never checked by the reader
    put_common(out, f, f.packed_size + total);
    out.push_back(static_cast<uint8_t>(f.name.size()));
    out.insert(out.end(), f.name.begin(), f.name.end());
    if (f.level == 0) {
        if (f.with_crc) put16(out, f.crc);
        if (f.with_os) out.push_back(f.os_id);
        out.insert(out.end(), f.level0_extra.begin(), f.level0_extra.end());
        out[0] = static_cast<uint8_t>(out.size() - 2);
        return out;
    }
    put16(out, f.crc);
    out.push_back(f.os_id);
    out[0] = static_cast<uint8_t>(out.size());  // the base part's last 2 bytes are the first size
    put16(out, first_size(f.extensions));
    out.insert(out.end(), extensions.begin(), extensions.end());
    return out;
}

Bytes ascii(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Extension name_extension(const std::string& ansi_name) {
    return {0x01, ascii(ansi_name)};
}

Extension folder_extension(const std::string& folder_bytes) {
    return {0x02, ascii(folder_bytes)};
}

namespace {
Bytes utf16le(const std::wstring& text) {
    Bytes out;
    for (wchar_t c : text) put16(out, static_cast<uint32_t>(c) & 0xFFFF);
    return out;
}
}  // namespace

Extension unicode_name_extension(const std::wstring& name) {
    return {0x44, utf16le(name)};
}

Extension unicode_folder_extension(const std::wstring& folder) {
    return {0x45, utf16le(folder)};
}

Bytes member_with(HeaderFields fields, const std::string& ansi_name, const Bytes& data) {
    fields.packed_size = static_cast<uint32_t>(data.size());
    if (fields.level == 2)
        fields.extensions.push_back(name_extension(ansi_name));
    else
        fields.name = ascii(ansi_name);
    return concat({header_bytes(fields), data});
}

Bytes unix_link_member(int level, const std::string& link_and_target, bool link) {
    const uint16_t mode = link ? 0120777 : 0100644;
    const Bytes mode_bytes = {static_cast<uint8_t>(mode & 0xFF), static_cast<uint8_t>(mode >> 8)};
    HeaderFields f;
    f.level = level;
    f.method = "-lhd-";
    f.os_id = 'U';
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
