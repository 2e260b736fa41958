// The archive writer.
//
// Gathering: every input is looked at before anything is written, so a bad
// name or an unreadable file stops the run with nothing written. Folders are
// walked depth first with their entries sorted, so the order is fixed by the
// names alone and the same tree always gives the same archive.
//
// Writing: files are cut into pieces (member_pieces.h) compressed on worker
// threads (ordered_jobs.h) and written by one writer in the members' order
// (ArchivePacker below); the first pieces may come done already from a head
// start (head_start.h), made while the walk went on. A member whose stream
// would not be smaller than its data is stored as -lh0-. Folders are -lhd-
// members without data. Names go in Shift_JIS (extended headers 0x01 and
// 0x02) where every character of the path has a Shift_JIS form, else in
// UTF-8 there; and in UTF-16 (0x44 and 0x45) unless they are plain ASCII,
// which every code page reads alike: so every name comes out exactly, and a
// tree of ASCII names pays for no second copy of each path.
#include "archive_writer.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <utility>

#include "archive_output.h"
#include "file_tree.h"
#include "head_start.h"
#include "header_writer.h"
#include "huffman/huffman.h"
#include "member_jobs.h"
#include "member_names.h"
#include "member_pieces.h"
#include "ordered_jobs.h"
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
constexpr char NOT_READABLE[] = "no such file or folder, or it cannot be read";

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

// What the walk found so far, in order; each entry is shown to the sink as
// soon as it is found.
struct Found {
    std::vector<PackEntry>& entries;
    const EntrySink& sink;

    void add(PackEntry entry) {
        entries.push_back(std::move(entry));
        if (sink) sink(entries.back());
    }
};

void add_entry(std::wstring source, std::wstring stored, const PathInfo& info, Found& found);

// A folder's entries, sorted by name: source_prefix + name is each one's
// path, stored_prefix + name its stored name.
void add_contents(const std::wstring& folder, const std::wstring& source_prefix,
                  const std::wstring& stored_prefix, Found& found) {
    std::vector<FolderEntry> entries;
    if (!folder_entries(folder, entries)) refuse(folder, "the folder cannot be read");
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    for (const FolderEntry& entry : entries) {
        std::wstring source = source_prefix + entry.name;
        if (!entry.readable) refuse(source, NOT_READABLE);
        add_entry(std::move(source), stored_prefix + entry.name, entry.info, found);
    }
}

void add_entry(std::wstring source, std::wstring stored, const PathInfo& info, Found& found) {
    std::string problem = stored_path_problem(stored);
    if (!problem.empty()) refuse(source, problem);
    if (info.size > LARGEST_MEMBER)
        refuse(source, "4 GiB or more, larger than an LHA member can be");
    if (!info.folder) {
        found.add({std::move(source), std::move(stored), false, info.size, info.mtime});
        return;
    }
    found.add({source, stored, true, info.size, info.mtime});
    add_contents(source, source + NATIVE_SEPARATOR, stored + L"/", found);
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
    std::string byte_folder, byte_name;
    bool ansi = to_shift_jis(folder, byte_folder) && to_shift_jis(name, byte_name);
    if (!ansi) {
        // Readers that take only the byte names (lhasa skips a member without
        // one; 7-Zip reads the UTF-16 fields as bytes) get the path in UTF-8,
        // as a Linux or macOS system names it; the stub reads the UTF-16 twin.
        byte_folder = utf16_to_utf8(folder);
        byte_name = utf16_to_utf8(name);
    }
    fields.time = static_cast<uint32_t>(time);
    fields.extensions.push_back(common_extension());
    if (!name.empty())
        fields.extensions.push_back({EXT_NAME, ByteString(byte_name.begin(), byte_name.end())});
    if (!folder.empty()) fields.extensions.push_back({EXT_FOLDER, separated(byte_folder)});
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

// Stored members are copied as they are; their bytes were counted as their
// pieces were taken.
uint16_t copy_stored(const PackEntry& entry, ArchiveOutput& out) {
    CWinFile input;
    if (!input.open(entry.source.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING))
        refuse(entry.source, "cannot be opened");
    std::vector<uint8_t> buffer(COPY_CHUNK);
    uint16_t crc = 0;
    for (uint64_t left = entry.size; left > 0;) {
        uint32_t part = static_cast<uint32_t>(std::min<uint64_t>(left, COPY_CHUNK));
        if (input.read(buffer.data(), part) != static_cast<int32_t>(part))
            refuse(entry.source, "reading failed or the file became shorter");
        HUFFMAN::update_crc16(crc, buffer.data(), part);
        out.write(buffer.data(), part);
        left -= part;
    }
    return crc;
}

std::vector<PieceJob> jobs_of(const std::vector<PackEntry>& entries) {
    std::vector<PieceJob> jobs;
    for (size_t e = 0; e < entries.size(); ++e)
        append_piece_jobs(e, entries[e], jobs);
    return jobs;
}

// The pieces of every member, compressed on the workers; the writer takes
// them in order, one at a time (on whichever worker finished the next one).
//
// Per member: the header goes out first with the sizes and CRC still open (a
// level-2 header's length does not depend on them), then each piece's stream
// as the piece is taken, joined at the bit; at the last piece the writer goes
// back and writes the header again with the final fields. As soon as the
// stream is as large as the data (a piece may find that alone) the member is
// given up: its later pieces are skipped, and at its last piece its data is
// copied as -lh0- over the stream's start. Which members are stored depends
// only on the data, never on which pieces were done when.
class ArchivePacker {
public:
    // The head start's pieces (if any) are the first jobs', done already.
    ArchivePacker(const std::vector<PackEntry>& entries, ArchiveOutput& out,
                  const PackSettings& settings, HeadStart* head)
        : entries_(entries),
          out_(out),
          settings_(settings),
          jobs_(jobs_of(entries)),
          pieces_(jobs_.size()),
          given_up_(new std::atomic<bool>[entries.size()]()),
          encoders_(std::max<size_t>(1, settings.threads)) {
        if (!head) return;
        std::vector<PieceOutput> ahead = head->take_pieces();
        ahead_ = std::min(ahead.size(), pieces_.size());
        std::move(ahead.begin(), ahead.begin() + static_cast<std::ptrdiff_t>(ahead_), pieces_.begin());
        encoders_[0] = head->take_encoder();
    }

    void run() {
        OrderedJobs jobs;
        for (const PieceJob& job : jobs_)
            jobs.weights.push_back(job_weight(job));
        jobs.run = [this](size_t job, size_t worker) { encode(job, worker); };
        jobs.take = [this](size_t job) { take(job); };
        run_ordered(jobs, encoders_.size(), held_back_limit(encoders_.size()));
    }

private:
    // On a worker.
    void encode(size_t index, size_t worker) {
        const PieceJob& job = jobs_[index];
        const PackEntry& entry = entries_[job.entry];
        if (index < ahead_ || job.end == job.start) return;
        PieceOutput& piece = pieces_[index];
        if (given_up_[job.entry].load()) {
            piece.given_up = true;
            return;
        }
        if (!encoders_[worker])
            encoders_[worker].reset(new MemberEncoder(settings_.dictionary_bits, settings_.effort));
        piece = encode_piece_job(*encoders_[worker], entry, job, &given_up_[job.entry]);
    }

    // In order, never two at once.
    void take(size_t index) {
        const PieceJob& job = jobs_[index];
        const PackEntry& entry = entries_[job.entry];
        if (job.first) begin_member(entry);
        if (entry.folder) return;
        PieceOutput piece = std::move(pieces_[index]);  // its memory goes when taken
        if (!stored_) add_piece(job, entry, piece);
        if (settings_.progress && job.end > job.start) settings_.progress(job.end - job.start);
        if (job.last) end_member(entry);
    }

    void begin_member(const PackEntry& entry) {
        fields_ = header_for(entry, settings_);
        header_at_ = out_.position();
        out_.write(header_bytes(fields_));
        data_at_ = out_.position();
        stream_ = MemberStream();
        stored_ = entry.size == 0;
    }

    void add_piece(const PieceJob& job, const PackEntry& entry, const PieceOutput& piece) {
        if (!piece.given_up) {
            std::vector<uint8_t> bytes;
            stream_.add(piece, job.end - job.start, bytes);
            out_.write(bytes.data(), bytes.size());
        }
        if (piece.given_up || stream_.size() >= entry.size) {
            stored_ = true;
            given_up_[job.entry].store(true);
        }
    }

    void end_member(const PackEntry& entry) {
        if (entry.folder) return;
        if (!stored_) {
            std::vector<uint8_t> last;
            stream_.finish(last);
            out_.write(last.data(), last.size());
            fields_.method = method_of(settings_.dictionary_bits);
            fields_.packed_size = static_cast<uint32_t>(stream_.size());
            fields_.crc = stream_.crc();
        } else {
            out_.seek(data_at_);
            fields_.packed_size = static_cast<uint32_t>(entry.size);
            fields_.crc = copy_stored(entry, out_);
        }
        uint64_t end = out_.position();
        out_.seek(header_at_);
        out_.write(header_bytes(fields_));
        out_.seek(end);
    }

    const std::vector<PackEntry>& entries_;
    ArchiveOutput& out_;
    const PackSettings& settings_;
    std::vector<PieceJob> jobs_;
    std::vector<PieceOutput> pieces_;                  // filled by the workers, emptied when taken
    size_t ahead_ = 0;                                 // jobs the head start did
    std::unique_ptr<std::atomic<bool>[]> given_up_;     // per entry: to be stored, skip its pieces
    std::vector<std::unique_ptr<MemberEncoder>> encoders_;  // per worker, made on its first piece
    // The member being written.
    HeaderFields fields_;
    uint64_t header_at_ = 0, data_at_ = 0;
    MemberStream stream_;
    bool stored_ = false;
};

}  // namespace

std::string method_of(int dictionary_bits) {
    return dictionary_bits <= 13 ? "-lh5-" : dictionary_bits == 15 ? "-lh6-" : "-lh7-";
}

std::vector<PackEntry> gather_entries(const std::vector<std::wstring>& inputs,
                                      const EntrySink& sink) {
    std::vector<PackEntry> entries;
    Found found{entries, sink};
    for (const std::wstring& input : inputs) {
        std::wstring stored = last_name(input);
        PathInfo info;
        if (!input.empty() && (is_separator(input.back()) || stored.empty()) &&
            path_info(input, info) && info.folder) {
            // "folder/", and a folder path without a last name (".", "..",
            // "a/.."): its contents, without the folder itself.
            add_contents(input, contents_prefix(input), std::wstring(), found);
            continue;
        }
        if (stored.empty())
            refuse(input, "names no file or folder to store");
        if (!path_info(input, info)) refuse(input, NOT_READABLE);
        add_entry(input, stored, info, found);
    }
    // Whole paths compared: names that differ only in case in one folder, also
    // where two inputs meet in one ("a/x" and "A/x").
    std::vector<const std::wstring*> paths;
    paths.reserve(entries.size());
    for (const PackEntry& e : entries)
        paths.push_back(&e.stored);
    std::string repeated = repeated_path(std::move(paths));
    if (!repeated.empty()) throw EncoderError{repeated};
    return entries;
}

uint64_t write_archive(const std::vector<PackEntry>& entries, CWinFile& output,
                       const PackSettings& settings, HeadStart* head) {
    HUFFMAN::build_crc16_table_once();
    ArchiveOutput out(output);
    ArchivePacker(entries, out, settings, head).run();
    out.write(&ARCHIVE_END, 1);
    out.flush();
    return out.position();
}
