// The archive writer.
//
// Gathering: every input is looked at before anything is written, so a bad
// name or an unreadable file stops the run with nothing written. Folders are
// walked depth first with their entries sorted, so the order is fixed by the
// names alone and the same tree always gives the same archive.
//
// Writing, per member: the header goes out first with the sizes and CRC
// still open (a level-2 header's length does not depend on them), then the
// data, compressed as it is read; then the writer goes back and writes the
// header again with the final fields. When the compressed stream would not be
// smaller than the data, the data is copied instead over the stream's start
// as -lh0-. Folders are -lhd- members without data. Names go in Shift_JIS
// (extended headers 0x01 and 0x02) where every character has a Shift_JIS
// form, and in UTF-16 (0x44 and 0x45) unless they are plain ASCII, which
// every code page reads alike: so every name comes out exactly, and a tree
// of ASCII names pays for no second copy of each path.
#include "archive_writer.h"

#include <algorithm>

#include "file_tree.h"
#include "header_writer.h"
#include "huffman/huffman.h"
#include "member_names.h"
#include "shift_jis.h"
#include "text/utf8.h"

namespace {

constexpr uint64_t LARGEST_MEMBER = 0xFFFFFFFFu;  // sizes are 32-bit fields
// The archive attribute for files and folders alike, as LHA writes level-2
// headers (-lhd- tells folders apart); libarchive recognises an archive by it.
constexpr uint8_t ATTRIBUTE = 0x20;
constexpr uint8_t OS_ID = 'M';  // MS-DOS: attributes and names as Windows keeps them
constexpr uint8_t FOLDER_SEPARATOR_BYTE = 0xFF;
constexpr wchar_t UNICODE_FOLDER_SEPARATOR = 0xFFFF;
constexpr wchar_t ASCII_LAST = 0x7F;
constexpr uint32_t COPY_CHUNK = 1u << 16;
constexpr char STORED_METHOD[] = "-lh0-";
constexpr char FOLDER_METHOD[] = "-lhd-";
constexpr uint8_t ARCHIVE_END = 0;

[[noreturn]] void refuse(const std::wstring& path, const std::string& why) {
    throw EncoderError{utf16_to_utf8(path) + ": " + why};
}

bool is_separator(wchar_t c) {
    return c == L'/' || c == L'\\';
}

// The last component of an input path; empty for a root, "." or "..".
std::wstring last_name(const std::wstring& input) {
    size_t end = input.size();
    while (end > 0 && is_separator(input[end - 1]))
        --end;
    size_t start = end;
    while (start > 0 && !is_separator(input[start - 1]))
        --start;
    std::wstring name = input.substr(start, end - start);
    return name == L"." || name == L".." || (name.size() == 2 && name[1] == L':') ? std::wstring()
                                                                                  : name;
}

// What a folder input's entry names are appended to: the input itself when
// it already ends in a separator (or, on Windows, is a drive's current folder,
// "C:"), else the input and a separator.
std::wstring contents_prefix(const std::wstring& input) {
    if (is_separator(input.back())) return input;
    if (NATIVE_SEPARATOR == L'\\' && input.size() == 2 && input[1] == L':') return input;
    return input + NATIVE_SEPARATOR;
}

void add_entry(const std::wstring& source, const std::wstring& stored,
               std::vector<PackEntry>& out) {
    PathInfo info;
    if (!path_info(source, info)) refuse(source, "no such file or folder, or it cannot be read");
    std::string problem = stored_path_problem(stored);
    if (!problem.empty()) refuse(source, problem);
    if (info.size > LARGEST_MEMBER)
        refuse(source, "4 GiB or more, larger than an LHA member can be");
    out.push_back({source, stored, info.folder, info.size, info.mtime});
    if (!info.folder) return;
    std::vector<std::wstring> names;
    if (!folder_entries(source, names)) refuse(source, "the folder cannot be read");
    std::sort(names.begin(), names.end());
    for (const std::wstring& name : names)
        add_entry(source + NATIVE_SEPARATOR + name, stored + L"/" + name, out);
}

// Folder and name of a stored path: "a/b/c" gives "a/b/" and "c".
void split_stored(const PackEntry& entry, std::wstring& folder, std::wstring& name) {
    if (entry.folder) {
        folder = entry.stored + L"/";
        name.clear();
        return;
    }
    size_t slash = entry.stored.rfind(L'/');
    folder = slash == std::wstring::npos ? std::wstring() : entry.stored.substr(0, slash + 1);
    name = slash == std::wstring::npos ? entry.stored : entry.stored.substr(slash + 1);
}

int64_t member_time(const PackEntry& entry, const PackSettings& settings) {
    int64_t time = entry.mtime;
    if (settings.clamp_times && time > settings.latest) time = settings.latest;
    return std::max<int64_t>(0, std::min<int64_t>(time, INT32_MAX));
}

bool is_ascii(const std::wstring& text) {
    for (wchar_t c : text)
        if (c > ASCII_LAST) return false;
    return true;
}

ByteString separated(const std::string& shift_jis) {
    ByteString out;
    for (char c : shift_jis)
        out.push_back(c == '/' ? FOLDER_SEPARATOR_BYTE : static_cast<uint8_t>(c));
    return out;
}

HeaderFields header_for(const PackEntry& entry, const PackSettings& settings) {
    HeaderFields fields;
    fields.level = 2;
    fields.method = entry.folder ? FOLDER_METHOD : STORED_METHOD;
    fields.original_size = static_cast<uint32_t>(entry.size);
    fields.attribute = ATTRIBUTE;
    fields.os_id = OS_ID;
    int64_t time = member_time(entry, settings);
    std::wstring folder, name;
    split_stored(entry, folder, name);
    std::string sjis_folder, sjis_name;
    bool ansi = to_shift_jis(folder, sjis_folder) && to_shift_jis(name, sjis_name);
    fields.time = static_cast<uint32_t>(time);
    fields.extensions.push_back(common_extension());
    if (ansi) {
        if (!name.empty())
            fields.extensions.push_back({EXT_NAME, ByteString(sjis_name.begin(), sjis_name.end())});
        if (!folder.empty()) fields.extensions.push_back({EXT_FOLDER, separated(sjis_folder)});
    }
    // ASCII reads the same in every ANSI code page, so an ASCII name needs no
    // UTF-16 twin; any other name gets one, which every reader prefers.
    if (!name.empty() && (!ansi || !is_ascii(name)))
        fields.extensions.push_back(unicode_name_extension(name));
    if (!folder.empty() && (!ansi || !is_ascii(folder))) {
        // U+FFFF between components, as 0xFF in 0x02: libarchive refuses '\\'.
        std::wstring unicode_folder = folder;
        std::replace(unicode_folder.begin(), unicode_folder.end(), L'/', UNICODE_FOLDER_SEPARATOR);
        fields.extensions.push_back(unicode_folder_extension(unicode_folder));
    }
    pad_level2(fields);
    return fields;
}

class ArchiveOutput {
public:
    explicit ArchiveOutput(CWinFile& file) : file_(file) {}
    void write(const void* data, size_t size) {
        if (!file_.write(data, static_cast<uint32_t>(size)))
            throw EncoderError{"writing the archive failed"};
        position_ += size;
    }
    void write(const ByteString& bytes) { write(bytes.data(), bytes.size()); }
    void seek(uint64_t position) {
        if (file_.seek(static_cast<int64_t>(position), FILE_BEGIN) < 0)
            throw EncoderError{"seeking in the archive failed"};
        position_ = position;
    }
    uint64_t position() const { return position_; }
    CWinFile& file() { return file_; }

private:
    CWinFile& file_;
    uint64_t position_ = 0;
};

uint16_t copy_stored(CWinFile& input, const PackEntry& entry, ArchiveOutput& out,
                     const PackSettings& settings) {
    std::vector<uint8_t> buffer(COPY_CHUNK);
    uint16_t crc = 0;
    for (uint64_t left = entry.size; left > 0;) {
        uint32_t part = static_cast<uint32_t>(std::min<uint64_t>(left, COPY_CHUNK));
        if (input.read(buffer.data(), part) != static_cast<int32_t>(part))
            refuse(entry.source, "reading failed or the file became shorter");
        HUFFMAN::update_crc16(crc, buffer.data(), part);
        out.write(buffer.data(), part);
        left -= part;
        if (settings.progress) settings.progress(part);
    }
    return crc;
}

void write_file_member(const PackEntry& entry, HeaderFields fields, ArchiveOutput& out,
                       MemberEncoder& encoder, const PackSettings& settings) {
    CWinFile input;
    if (!input.open(entry.source.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING))
        refuse(entry.source, "cannot be opened");
    uint64_t header_at = out.position();
    out.write(header_bytes(fields));
    uint64_t data_at = out.position();
    EncodeResult result;
    uint64_t reported = 0;
    if (entry.size > 0) {
        ProgressFn count = [&](uint64_t bytes) {
            reported += bytes;
            if (settings.progress) settings.progress(bytes);
        };
        try {
            result = encoder.encode(input, static_cast<uint32_t>(entry.size), out.file(), count);
        } catch (const EncoderError& error) {
            refuse(entry.source, error.message);
        }
    }
    if (result.shrank) {
        fields.method = method_of(settings.dictionary_bits);
        fields.packed_size = static_cast<uint32_t>(result.packed_size);
        fields.crc = result.crc;
        out.seek(data_at + result.packed_size);
    } else {
        out.seek(data_at);
        if (input.seek(0, FILE_BEGIN) != 0) refuse(entry.source, "cannot be read again");
        PackSettings quiet = settings;
        if (reported > 0) quiet.progress = nullptr;  // its bytes were counted once already
        fields.packed_size = static_cast<uint32_t>(entry.size);
        fields.crc = copy_stored(input, entry, out, quiet);
    }
    uint64_t end = out.position();
    out.seek(header_at);
    out.write(header_bytes(fields));
    out.seek(end);
}

}  // namespace

std::string method_of(int dictionary_bits) {
    return dictionary_bits <= 13 ? "-lh5-" : dictionary_bits == 15 ? "-lh6-" : "-lh7-";
}

std::vector<PackEntry> gather_entries(const std::vector<std::wstring>& inputs) {
    std::vector<PackEntry> entries;
    for (const std::wstring& input : inputs) {
        std::wstring stored = last_name(input);
        PathInfo info;
        if (!input.empty() && (is_separator(input.back()) || stored.empty()) &&
            path_info(input, info) && info.folder) {
            // "folder/", and a folder path without a last name (".", "..",
            // "a/.."): its contents, without the folder itself.
            std::vector<std::wstring> names;
            if (!folder_entries(input, names)) refuse(input, "the folder cannot be read");
            std::sort(names.begin(), names.end());
            const std::wstring prefix = contents_prefix(input);
            for (const std::wstring& name : names)
                add_entry(prefix + name, name, entries);
            continue;
        }
        if (stored.empty())
            refuse(input, "names no file or folder to store");
        add_entry(input, stored, entries);
    }
    // Whole paths compared: names that differ only in case in one folder, also
    // where two inputs meet in one ("a/x" and "A/x").
    std::vector<std::wstring> all;
    for (const PackEntry& e : entries)
        all.push_back(e.stored);
    std::sort(all.begin(), all.end());
    if (std::adjacent_find(all.begin(), all.end()) != all.end())
        throw EncoderError{utf16_to_utf8(*std::adjacent_find(all.begin(), all.end())) +
                           ": given twice"};
    std::string clash = case_clash(all);
    if (!clash.empty()) throw EncoderError{"Windows cannot hold both " + clash};
    return entries;
}

uint64_t write_archive(const std::vector<PackEntry>& entries, CWinFile& output,
                       const PackSettings& settings) {
    HUFFMAN::build_crc16_table();
    ArchiveOutput out(output);
    MemberEncoder encoder(settings.dictionary_bits, settings.effort);
    for (const PackEntry& entry : entries) {
        HeaderFields fields = header_for(entry, settings);
        if (entry.folder)
            out.write(header_bytes(fields));
        else
            write_file_member(entry, fields, out, encoder, settings);
    }
    out.write(&ARCHIVE_END, 1);
    return out.position();
}
