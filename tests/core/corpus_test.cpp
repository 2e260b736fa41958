// Every member of the interop corpus, decoded through the header reader and
// the engine exactly as the stub does, must equal what the independent
// decoder extracted, and match its header's CRC-16.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Sfx/member_header.h"
#include "Sfx/methods.h"
#include "Sfx/sfx_app.h"
#include "huffman/huffman.h"
#include "support/engine_runner.h"
#include "support/files.h"
#include "text/utf8.h"

namespace {

struct ManifestEntry {
    std::string archive;
    std::string method;
    int level = 0;
    uint32_t original_size = 0;
    std::string expected;  // "-" for a folder
    std::string name;
};

std::vector<std::string> split_tabs(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, '\t')) fields.push_back(field);
    return fields;
}

std::vector<ManifestEntry> read_manifest(const std::wstring& folder) {
    Bytes bytes = read_file(folder + L"/manifest.tsv");
    std::stringstream text(std::string(bytes.begin(), bytes.end()));
    std::vector<ManifestEntry> entries;
    std::string line;
    while (std::getline(text, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> f = split_tabs(line);
        if (f.size() < 7) continue;
        entries.push_back({f[0], f[2], std::stoi(f[3]), static_cast<uint32_t>(std::stoul(f[4])),
                           f[5], f[6]});
    }
    return entries;
}

std::string stored_name(const CMemberHeader& member) {
    CWideSz path(member.path);
    path.replace_separators(L'/');
    return utf16_to_utf8(path.c_str(), path.length());
}

struct Tally {
    std::map<std::string, int> decoded;  // "-lh5- level 1" -> members
    int folders = 0;
};

// Reads one archive member by member, checking each against its entry.
void check_archive(const std::wstring& folder, const std::vector<ManifestEntry>& entries,
                   Tally& tally) {
    const std::string& archive_name = entries.front().archive;
    SCOPED_TRACE(archive_name);
    CSfxApp app;
    app.archive.reset(new CWinFile);
    ASSERT_TRUE(app.archive->open((folder + L"/" + utf8_to_utf16(archive_name)).c_str(),
                                  GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    TempDir out;
    for (const ManifestEntry& entry : entries) {
        SCOPED_TRACE(entry.name);
        CMemberHeader member;
        ASSERT_EQ(read_member_header(*app.archive, nullptr, member), HeaderRead::member);
        int64_t data_start = app.archive->seek(0, FILE_CURRENT);
        EXPECT_EQ(std::string(member.method, METHOD_ID_LENGTH), entry.method);
        EXPECT_EQ(member.level, entry.level);
        EXPECT_EQ(member.original_size, entry.original_size);
        EXPECT_EQ(stored_name(member), entry.name);
        if (entry.expected == "-") {
            EXPECT_EQ(method_index(member), HUFFMAN::METHOD_LHD);
            ++tally.folders;
        } else {
            std::wstring output_path = out / L"member.out";
            uint16_t crc = 0;
            {
                CWinFile output;
                ASSERT_TRUE(output.open(output_path.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS));
                try {
                    crc = HUFFMAN::expand_member(app, output, member.original_size,
                                                 member.packed_size, output_path.c_str(),
                                                 method_index(member));
                } catch (HUFFMAN::HufError) {
                    ADD_FAILURE() << "decoder reported damaged data";
                }
            }
            Bytes expected = read_file(folder + L"/" + utf8_to_utf16(entry.expected));
            EXPECT_EQ(expected.size(), entry.original_size);
            EXPECT_TRUE(read_file(output_path) == expected) << "decoded bytes differ";
            EXPECT_EQ(member.has_crc, 1);
            EXPECT_EQ(crc, member.crc);
            EXPECT_EQ(crc, reference_crc16(expected));
            ++tally.decoded[entry.method + " level " + std::to_string(entry.level)];
        }
        app.archive->seek(data_start + member.packed_size, FILE_BEGIN);
    }
    CMemberHeader end;
    EXPECT_EQ(read_member_header(*app.archive, nullptr, end), HeaderRead::end);
}

void check_corpus(const std::wstring& folder) {
    HUFFMAN::build_crc16_table();
    std::vector<ManifestEntry> entries = read_manifest(folder);
    ASSERT_FALSE(entries.empty()) << "no manifest in the corpus folder";
    Tally tally;
    size_t first = 0;
    while (first < entries.size()) {
        size_t last = first;
        while (last < entries.size() && entries[last].archive == entries[first].archive) ++last;
        check_archive(folder, std::vector<ManifestEntry>(entries.begin() + first, entries.begin() + last),
                      tally);
        first = last;
    }
    std::string line = "corpus: " + std::to_string(tally.folders) + " folders;";
    for (const auto& [kind, count] : tally.decoded) line += " " + kind + ": " + std::to_string(count) + ",";
    std::printf("%s\n", line.c_str());
}

}  // namespace

TEST(Corpus, CommittedArchivesDecodeLikeTheIndependentDecoder) {
    check_corpus(path_from_environment("VORNSFX_CORPUS"));
}

TEST(Corpus, LargeArchivesDecodeLikeTheIndependentDecoder) {
    if (!std::getenv("VORNSFX_LARGE_CORPUS")) GTEST_SKIP() << "VORNSFX_LARGE_CORPUS not set";
    std::wstring folder = path_from_environment("VORNSFX_LARGE_CORPUS");
    if (!exists(folder + L"/manifest.tsv"))
        GTEST_SKIP() << "large corpus not generated (tests/corpus/make-corpus FOLDER --large)";
    check_corpus(folder);
}
