#include "driver_win32.h"

#include <algorithm>

#include "engine_runner.h"
#include "header_writer.h"
#include "text/utf8.h"

namespace {

// How a header carries a path.
struct NameStyle {
    const char* description;
    int level;
    enum Layout {
        whole_path,   // the whole path as ANSI: level 0 in the base header, level 2 in 0x01
        ansi_split,   // the name as ANSI (base header or 0x01), the folder in 0x02
        utf16_split,  // the name in 0x44, the folder in 0x45
    } layout;
    wchar_t separator;  // between components; 0xFF in an ANSI folder is the byte 0xFF
};

const NameStyle NAME_STYLES[] = {
    {"level 0, '\\'", 0, NameStyle::whole_path, L'\\'},
    {"level 0, '/'", 0, NameStyle::whole_path, L'/'},
    {"level 1, ANSI, 0xFF", 1, NameStyle::ansi_split, 0xFF},
    {"level 1, UTF-16, '\\'", 1, NameStyle::utf16_split, L'\\'},
    {"level 2, ANSI, 0xFF", 2, NameStyle::ansi_split, 0xFF},
    {"level 2, ANSI path in the name header", 2, NameStyle::whole_path, L'\\'},
    {"level 2, UTF-16, '/'", 2, NameStyle::utf16_split, L'/'},
    {"level 2, UTF-16, U+FFFF", 2, NameStyle::utf16_split, 0xFFFF},
};

// Bytes in the ANSI code page, as the archivers of Japanese systems write
// them; a separator of 0xFF becomes that byte.
Bytes ansi(const std::wstring& text, wchar_t separator) {
    BOOL lossy = FALSE;
    std::string bytes(text.size() * 2, '\0');  // at most two bytes a unit
    bytes.resize(WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()),
                                     &bytes[0], static_cast<int>(bytes.size()), nullptr, &lossy));
    EXPECT_FALSE(lossy) << "not in the ANSI code page: " << utf16_to_utf8(text);
    std::replace(bytes.begin(), bytes.end(), '/', static_cast<char>(separator));
    return Bytes(bytes.begin(), bytes.end());
}

// Sets the name fields of the header for stored path, split at its last '/'
// into a folder (with its separator) and a name.
void put_names(HeaderFields& f, const std::wstring& stored, const NameStyle& style) {
    size_t cut = stored.find_last_of(L'/') + 1;  // 0 without a folder
    std::wstring folder = stored.substr(0, cut), name = stored.substr(cut);
    auto add = [&f](uint8_t type, const Bytes& data) {
        if (!data.empty()) f.extensions.push_back({type, data});
    };
    // Levels 0 and 1 keep an ANSI name in the base header, level 2 in 0x01.
    auto add_name = [&](const Bytes& data) { if (style.level < 2) f.name = data; else add(0x01, data); };
    f.level = style.level;
    if (style.layout == NameStyle::utf16_split) {
        std::replace(folder.begin(), folder.end(), L'/', style.separator);
        add(0x44, utf16le(name));
        add(0x45, utf16le(folder));
    } else if (style.layout == NameStyle::whole_path) {
        add_name(ansi(stored, style.separator));
    } else {
        add_name(ansi(name, 0));
        add(0x02, ansi(folder, style.separator));
    }
}

}  // namespace

Bytes hostile_content(const HostileName& name) {
    return ascii("data of " + utf16_to_utf8(name.stored) + "\n");
}

std::vector<HostileName> hostile_names(const std::wstring& outside) {
    // The absolute path as it must come out: no drive, no root, '/' between.
    std::wstring outside_written = outside.substr(outside.find_first_not_of(L"\\/", 2));
    std::replace(outside_written.begin(), outside_written.end(), L'\\', L'/');
    return {
        // Ways up and out.
        {L"../../../escape1.txt", L"escape1.txt"},
        {L"../escape2/inner.txt", L"escape2/inner.txt"},
        {L"/rooted3.txt", L"rooted3.txt"},
        {L"a/../../b/updown4.txt", L"a/b/updown4.txt"},
        {L"a/../.hidden5", L"a/hidden5"},
        {L"./../dots6.txt", L"dots6.txt"},
        {L"a/.. /dots7.txt", L"a/dots7.txt"},
        {L"a/.../dots8.txt", L"a/dots8.txt"},
        {L"trail./file9.", L"trail/file9"},
        // Drives, network and device paths.
        {L"C:/drive10.txt", L"drive10.txt"},
        {L"C:drive11.txt", L"drive11.txt"},
        {L"C:../drive12.txt", L"drive12.txt"},
        {L"//server/share/unc13.txt", L"server/share/unc13.txt"},
        {L"//?/C:/device14.txt", L"device14.txt"},
        {L"//./C:/device15.txt", L"device15.txt"},
        {L"//?/UNC/server/share/device16.txt", L"server/share/device16.txt"},
        {outside + L"/outside17.txt", outside_written + L"/outside17.txt"},
        {L"//?/" + outside + L"/outside18.txt", outside_written + L"/outside18.txt"},
        // Devices and characters Windows gives a meaning.
        {L"CON", L"_CON"},
        {L"dev/NUL.txt", L"dev/_NUL.txt"},
        {L"aux.tar.gz", L"_aux.tar.gz"},
        {L"com1", L"_com1"},
        {L"LPT9.log", L"_LPT9.log"},
        {L"PRN/inside.txt", L"_PRN/inside.txt"},
        {L"colon/a:b", L"colon/a_b"},
        {L"stream.txt:hidden", L"stream.txt_hidden"},
        {L"wild/a*b?.txt", L"wild/a_b_.txt"},
        // Shift_JIS trail bytes 0x5C (ソ, 表) are no separators.
        {L"../ソフト/表示.txt", L"ソフト/表示.txt"},
        // Folder members.
        {L"../../evildir/", L"evildir"},
        {L"/rootdir/", L"rootdir"},
        {L"C:/drivedir/", L"drivedir"},
        {L"//server/share/uncdir/", L"server/share/uncdir"},
        {L"NUL/", L"_NUL"},
        {L"../", L""},
    };
}

std::vector<std::pair<std::string, Bytes>> hostile_archives(const std::vector<HostileName>& names) {
    std::vector<std::pair<std::string, Bytes>> archives;
    for (const NameStyle& style : NAME_STYLES) {
        Bytes archive;
        for (const HostileName& name : names) {
            HeaderFields f;
            Bytes data;
            if (name.folder()) {
                f.method = "-lhd-";
            } else {
                data = hostile_content(name);
                f.packed_size = f.original_size = static_cast<uint32_t>(data.size());
                f.crc = reference_crc16(data);
            }
            put_names(f, name.stored, style);
            archive = concat({archive, header_bytes(f), data});
        }
        archive.push_back(0);
        archives.push_back({style.description, archive});
    }
    return archives;
}
