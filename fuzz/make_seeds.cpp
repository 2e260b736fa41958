// Writes the fuzzers' seed corpora: make_seeds FIXTURES OUT.
//
// From every interop fixture (FIXTURES/*.lzh): the whole archive (archive and
// headers seeds) and each member's data prefixed with its method byte and
// original size (expand seeds); for the encoder, slices of one fixture's
// files under every method and effort. Beside them hand-made edge cases: the
// empty archive, headers at the limits of each level, members that decode to
// nothing or to single-symbol blocks, and configuration blocks of every
// shape. Each target gets OUT/<target>/; seeds are never committed, this
// program makes them afresh from the fixtures.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "Sfx/config_writer.h"
#include "Sfx/member_header.h"
#include "Sfx/methods.h"
#include "fuzz_support.h"
#include "huffman/huffman.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t BOUNDARY_BIT = 0x80;                 // the expand target's second run
constexpr size_t CUT_SEEDS_PER_ARCHIVE = 4;
// The fixture whose files (text, code, runs, noise, repeats at a 64 KiB
// distance) give the encoder seeds, and their lengths: short, and about as
// long as the encode target takes, so the round trip starts where matches
// reach the whole window and the window is refilled, instead of having to
// grow there (the fuzzer lengthens inputs only slowly).
const char* const ENCODE_FIXTURE = "lh7-l2";
constexpr size_t ENCODE_SEED_SIZES[] = {4096, 65536};

// Header fields of the hand-made members.
constexpr uint32_t DOS_TIME = 0x5A2B6000;     // 2025-01-11 12:00:00
constexpr uint32_t UNIX_TIME = 1700000000;    // 2023-11-14 22:13:20 UTC
constexpr uint8_t ARCHIVE_ATTRIBUTE = 0x20;
constexpr uint8_t OS_MSDOS = 'M';
constexpr uint8_t OS_WINDOWS = 'W';
constexpr uint32_t LEVEL2_BASE_LENGTH = 26;    // up to and with the first extension size
constexpr uint32_t EXTENSION_FRAME = 3;        // type byte and next size

class SeedDir {
public:
    explicit SeedDir(const fs::path& dir) : dir_(dir) { fs::create_directories(dir); }
    // Writes bytes under name unless the same bytes were written already.
    void add(const std::string& name, const Bytes& bytes) {
        if (!seen_.insert(bytes).second) return;
        std::ofstream out(dir_ / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        ++count_;
    }
    int count() const { return count_; }

private:
    fs::path dir_;
    std::set<Bytes> seen_;
    int count_ = 0;
};

Bytes read_all(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void put16(Bytes& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void put32(Bytes& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

Bytes expand_seed(int method, uint32_t original_size, const uint8_t* data, size_t size) {
    Bytes seed{static_cast<uint8_t>(method)};
    for (int i = 0; i < 3; ++i) seed.push_back(static_cast<uint8_t>(original_size >> (8 * i)));
    seed.insert(seed.end(), data, data + size);
    return seed;
}

// Every member of a fixture, read with the program's own header reader.
void add_fixture(const fs::path& path, SeedDir& archives, SeedDir& headers, SeedDir& members) {
    const Bytes whole = read_all(path);
    const std::string stem = path.stem().string();
    archives.add(stem + ".lzh", whole);
    headers.add(stem + ".lzh", whole);

    MemoryFile file("fixture");
    file.fill(whole.data(), whole.size());
    CWinFile archive;
    file.open(archive, GENERIC_READ);
    CMemberHeader member;
    std::vector<int64_t> member_ends;
    for (int i = 0; read_member_header(archive, nullptr, member) == HeaderRead::member; ++i) {
        const int64_t start = archive.seek(0, FILE_CURRENT);
        const int64_t end = start + member.packed_size;
        member_ends.push_back(end);
        const int method = method_index(member);
        if (method >= 0 && method != HUFFMAN::METHOD_LHD &&
            member.original_size <= LARGEST_DECODED &&
            static_cast<uint64_t>(end) <= whole.size()) {
            Bytes seed = expand_seed(method, member.original_size, whole.data() + start,
                                     member.packed_size);
            std::string name = stem + "-member" + std::to_string(i);
            members.add(name, seed);
            seed[0] |= BOUNDARY_BIT;
            members.add(name + "-boundary", seed);
        }
        archive.seek(end, FILE_BEGIN);
    }
    // Archives of the first few members, ended where the next header would be.
    for (size_t k = 0; k < member_ends.size() && k < CUT_SEEDS_PER_ARCHIVE; ++k) {
        Bytes cut(whole.begin(), whole.begin() + member_ends[k]);
        cut.push_back(0);
        archives.add(stem + "-first" + std::to_string(k + 1), cut);
    }
}

// A level-0 header (name in the base part, CRC, OS id) with its data.
Bytes level0_member(const std::string& method, const std::string& name, const Bytes& data,
                    uint32_t original_size) {
    Bytes out{0, 0};  // header length (set below) and checksum
    out.insert(out.end(), method.begin(), method.end());
    put32(out, static_cast<uint32_t>(data.size()));
    put32(out, original_size);
    put32(out, DOS_TIME);
    out.push_back(ARCHIVE_ATTRIBUTE);
    out.push_back(0);  // level
    out.push_back(static_cast<uint8_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    put16(out, 0);  // CRC
    out.push_back(OS_MSDOS);
    out[0] = static_cast<uint8_t>(out.size() - 2);
    // The checksum the reader ignores, so that other tools read the seed too.
    for (size_t i = 2; i < out.size(); ++i) out[1] = static_cast<uint8_t>(out[1] + out[i]);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

struct Ext {
    uint8_t type;
    Bytes data;
};

// A level-2 header with the given extended headers, then its data. The
// common extended header comes first, with the header CRC that the reader
// ignores, so that other tools read the seed too.
Bytes level2_member(const std::string& method, std::vector<Ext> extensions, const Bytes& data,
                    uint32_t original_size) {
    constexpr uint8_t EXT_COMMON = 0x00;
    extensions.insert(extensions.begin(), Ext{EXT_COMMON, {0, 0}});
    Bytes chain;
    for (size_t i = 0; i < extensions.size(); ++i) {
        chain.push_back(extensions[i].type);
        chain.insert(chain.end(), extensions[i].data.begin(), extensions[i].data.end());
        put16(chain, i + 1 < extensions.size() ? extensions[i + 1].data.size() + EXTENSION_FRAME
                                               : 0);
    }
    Bytes out;
    put16(out, static_cast<uint32_t>(LEVEL2_BASE_LENGTH + chain.size()));
    out.insert(out.end(), method.begin(), method.end());
    put32(out, static_cast<uint32_t>(data.size()));
    put32(out, original_size);
    put32(out, UNIX_TIME);
    out.push_back(ARCHIVE_ATTRIBUTE);
    out.push_back(2);  // level
    put16(out, 0);     // CRC
    out.push_back(OS_WINDOWS);
    put16(out, extensions[0].data.size() + EXTENSION_FRAME);
    out.insert(out.end(), chain.begin(), chain.end());
    uint16_t crc = 0;
    HUFFMAN::update_crc16(crc, out.data(), static_cast<uint32_t>(out.size()));
    out[LEVEL2_BASE_LENGTH + 1] = static_cast<uint8_t>(crc);
    out[LEVEL2_BASE_LENGTH + 2] = static_cast<uint8_t>(crc >> 8);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes utf16(const std::u16string& text) {
    Bytes out;
    for (char16_t unit : text) put16(out, unit);
    return out;
}

Bytes bytes_of(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

void add_header_edges(SeedDir& archives, SeedDir& headers) {
    constexpr uint8_t EXT_NAME = 0x01, EXT_FOLDER = 0x02, EXT_UNKNOWN = 0x3F,
                      EXT_ATTRIBUTE = 0x40, EXT_UNICODE_NAME = 0x44, EXT_UNICODE_FOLDER = 0x45;
    constexpr size_t LONG_EXTENSION = 700;  // makes the level-2 header longer than 256 bytes
    const Bytes hello = bytes_of("hello\n");
    const uint32_t size = static_cast<uint32_t>(hello.size());
    const Bytes stored = level0_member("-lh0-", "a.txt", hello, size);
    const Bytes names = level2_member(
        "-lh0-",
        {{EXT_NAME, bytes_of("ansi.txt")}, {EXT_UNICODE_NAME, utf16(u"\u65E5\u672C.txt")},
         {EXT_FOLDER, bytes_of("dir\xFFsub\xFF")}, {EXT_UNICODE_FOLDER, utf16(u"\\\\?\\UNC\\srv\\")},
         {EXT_ATTRIBUTE, {0x01, 0x00}}},
        hello, size);
    Bytes two_members = stored;
    two_members.insert(two_members.end(), names.begin(), names.end());
    two_members.push_back(0);

    const std::vector<std::pair<std::string, Bytes>> edges = {
        {"empty", {}},
        {"end-byte", {0}},
        {"level0-stored", stored},
        {"level0-hostile-name", level0_member("-lh0-", "..\\..\\C:\\x\\CON.txt", hello, size)},
        {"level2-names", names},
        {"level2-long", level2_member("-lh0-",
                                      {{EXT_UNKNOWN, Bytes(LONG_EXTENSION, 'A')},
                                       {EXT_NAME, bytes_of("long.txt")}},
                                      hello, size)},
        {"level2-directory", level2_member("-lhd-", {{EXT_FOLDER, bytes_of("d\xFF")}}, {}, 0)},
        {"unknown-method", level0_member("-lhx-", "x", hello, size)},
        {"two-members", two_members},
    };
    for (const auto& edge : edges) {
        archives.add("edge-" + edge.first, edge.second);
        headers.add("edge-" + edge.first, edge.second);
    }
}

// Compressed members of every method: nothing but zero bytes or one bytes
// (for the block methods a single-symbol or empty table), with original
// sizes around the dictionary sizes.
void add_member_edges(SeedDir& members) {
    const uint32_t sizes[] = {0, 1, 4096, 8193, 65537};
    for (int method = 0; method <= HUFFMAN::METHOD_LZ4; ++method)
        for (uint32_t size : sizes)
            for (uint8_t fill : {0x00, 0xFF}) {
                const Bytes data(64, fill);
                members.add("edge-m" + std::to_string(method) + "-" + std::to_string(size) +
                                "-" + std::to_string(fill),
                            expand_seed(method, size, data.data(), data.size()));
            }
}

// The fixture's files laid end to end, and a slice of each length per method
// and effort, each pair from a different place.
void add_encoder_seeds(const fs::path& expected, SeedDir& encodes) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(expected))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    Bytes content;
    for (const fs::path& file : files) {
        const Bytes bytes = read_all(file);
        content.insert(content.end(), bytes.begin(), bytes.end());
    }
    const int picks = ENCODE_METHODS * ENCODE_EFFORTS;
    for (int method = 0; method < ENCODE_METHODS; ++method)
        for (int effort = 0; effort < ENCODE_EFFORTS; ++effort) {
            uint8_t pick = 0;
            while (pick % ENCODE_METHODS != method ||
                   (pick >> ENCODE_EFFORT_SHIFT) % ENCODE_EFFORTS != effort)
                ++pick;
            const int n = method * ENCODE_EFFORTS + effort;
            for (size_t size : ENCODE_SEED_SIZES) {
                const size_t slice = std::min(content.size(), size);
                const size_t at = (content.size() - slice) * static_cast<size_t>(n) / (picks - 1);
                Bytes seed{pick};
                seed.insert(seed.end(), content.begin() + static_cast<ptrdiff_t>(at),
                            content.begin() + static_cast<ptrdiff_t>(at + slice));
                encodes.add("slice-m" + std::to_string(method) + "-e" + std::to_string(effort) +
                                "-" + std::to_string(slice),
                            seed);
            }
        }
}

CWideString wide(const std::u16string& text) {
    std::wstring units(text.begin(), text.end());
    return CWideString(units.c_str(), units.size());
}

void add_configs(SeedDir& configs) {
    CConfigBlock example;
    example.lead_byte = 1;
    example.title = wide(u"Vorn SFX");
    example.shortcut_target = wide(u"setup.exe");
    example.run_after = wide(u"setup.exe");
    example.shortcut_name = wide(u"setup");

    CConfigBlock relative = example;
    relative.lead_byte = 7;
    relative.base_selector = 1;
    relative.destination = wide(u"Tools");
    relative.start_menu_option = OPTION_OFFERED | OPTION_CHOSEN;
    relative.desktop_option = OPTION_OFFERED;
    relative.send_to_option = 0xFF;

    CConfigBlock drive = example;
    drive.destination = wide(u"D:\\Data");
    CConfigBlock rooted = example;
    rooted.destination = wide(u"\\Tools");
    CConfigBlock japanese = example;
    japanese.title = wide(u"\u89E3\u51CD");
    japanese.destination = wide(u"C:\\\u30C4\u30FC\u30EB");

    CConfigBlock longest = example;
    const std::u16string full(MAX_CONFIG_UNITS, u'x');
    longest.title = longest.destination = longest.shortcut_target = longest.run_after =
        longest.shortcut_name = wide(full);

    configs.add("lead-zero", {0});
    configs.add("empty", {});
    int n = 0;
    for (const CConfigBlock* block : {&example, &relative, &drive, &rooted, &japanese, &longest}) {
        Bytes encoded;
        encode_config_block(*block, encoded);
        configs.add("block" + std::to_string(n), encoded);
        // The same block cut inside its last string, as a short file leaves it.
        configs.add("block" + std::to_string(n) + "-cut",
                    Bytes(encoded.begin(), encoded.end() - 3));
        ++n;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_seeds FIXTURES OUT\n");
        return 2;
    }
    start_fuzzing();
    const fs::path fixtures = argv[1];
    const fs::path out = argv[2];
    SeedDir archives(out / "archive_fuzz"), headers(out / "header_fuzz"),
        members(out / "expand_fuzz"), configs(out / "config_fuzz"), encodes(out / "encode_fuzz");

    std::vector<fs::path> paths;
    for (const auto& entry : fs::directory_iterator(fixtures))
        if (entry.path().extension() == ".lzh") paths.push_back(entry.path());
    if (paths.empty()) {
        std::fprintf(stderr, "make_seeds: no .lzh fixtures in %s\n", fixtures.c_str());
        return 1;
    }
    std::sort(paths.begin(), paths.end());
    for (const fs::path& path : paths) add_fixture(path, archives, headers, members);
    add_header_edges(archives, headers);
    add_member_edges(members);
    add_configs(configs);
    add_encoder_seeds(fixtures / "expected" / ENCODE_FIXTURE, encodes);

    std::printf("seeds: archive_fuzz %d, header_fuzz %d, expand_fuzz %d, config_fuzz %d, "
                "encode_fuzz %d\n",
                archives.count(), headers.count(), members.count(), configs.count(),
                encodes.count());
    return 0;
}
