// vornsfx list and test: what they show of plain archives and built files,
// and test's exit statuses.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "Sfx/config.h"
#include "builder_runner.h"
#include "support/header_writer.h"
#include "text/utf8.h"

namespace {

struct CorpusMember {
    std::string method;
    std::string level;
    std::string name;
};

// archive -> its members, from the corpus manifest.
std::map<std::string, std::vector<CorpusMember>> corpus_manifest() {
    Bytes bytes = read_file(corpus_archive("manifest.tsv"));
    std::stringstream text(std::string(bytes.begin(), bytes.end()));
    std::map<std::string, std::vector<CorpusMember>> archives;
    std::string line;
    while (std::getline(text, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> f;
        std::stringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');)
            f.push_back(field);
        archives[f[0]].push_back({f[2], f[3], f[6]});
    }
    return archives;
}

// The members as list shows them: "method level path" for each row, the
// columns found by the table's heading.
std::vector<std::string> listed_members(const std::string& listing) {
    std::vector<std::string> rows;
    std::stringstream text(listing);
    std::string line;
    size_t level_column = std::string::npos;
    size_t path_column = std::string::npos;
    while (std::getline(text, line)) {
        if (line.compare(0, 6, "method") == 0) {
            level_column = line.find("level");
            path_column = line.find("path");
            continue;
        }
        if (path_column == std::string::npos || line.size() <= path_column || line[0] != '-')
            continue;
        std::string path = line.substr(path_column);
        for (char& c : path)
            if (c == '\\') c = '/';
        rows.push_back(line.substr(0, 5) + " " + line.substr(level_column, 1) + " " + path);
    }
    return rows;
}

class Inspect : public ::testing::Test {
protected:
    void SetUp() override { write_file(stub, minimal_stub()); }

    std::wstring built_from(const std::wstring& archive, std::vector<std::string> options = {}) {
        std::wstring output = dir / L"built.exe";
        options.insert(options.begin(),
                       {"build", arg(archive), "-o", arg(output), "--stub", arg(stub)});
        Outcome run = vornsfx(options);
        EXPECT_EQ(run.status, 0) << run.err;
        return output;
    }

    TempDir dir;
    std::wstring stub = dir / L"stub.exe";
    std::wstring archive = dir / L"input.lzh";
};

}  // namespace

TEST_F(Inspect, ListAndTestEveryCorpusArchivePlainAndBuilt) {
    for (const auto& [name, members] : corpus_manifest()) {
        SCOPED_TRACE(name);
        std::vector<std::string> expected;
        for (const CorpusMember& m : members)
            expected.push_back(m.method + " " + m.level + " " + m.name);
        Outcome plain = vornsfx({"list", arg(corpus_archive(name))});
        ASSERT_EQ(plain.status, 0) << plain.err;
        EXPECT_EQ(listed_members(plain.out), expected) << plain.out;

        std::wstring built = built_from(corpus_archive(name));
        Outcome listed = vornsfx({"list", arg(built)});
        EXPECT_EQ(listed_members(listed.out), expected);
        EXPECT_NE(listed.out.find("self-extracting file"), std::string::npos);
        for (const std::wstring& file : {corpus_archive(name), built}) {
            Outcome test = vornsfx({"test", arg(file)});
            EXPECT_EQ(test.status, 0) << test.out;
            EXPECT_NE(test.out.find(members.size() == 1 ? "the member passed"
                                                        : "all " + std::to_string(members.size()) +
                                                              " members passed"),
                      std::string::npos)
                << test.out;
        }
    }
}

TEST_F(Inspect, ListShowsTimesAsStoredAndAMissingCrc) {
    HeaderFields dos;  // 2000-03-01 12:34:56, MS-DOS local time
    dos.level = 0;
    dos.name = ascii("dos.txt");
    dos.time = (20u << 25 | 3u << 21 | 1u << 16) | (12u << 11 | 34u << 5 | 56u / 2);
    dos.with_crc = false;
    HeaderFields unix_time;  // 2000-03-01 00:00:00 UTC
    unix_time.time = 951868800;
    unix_time.crc = 0xBEEF;
    unix_time.extensions.push_back(unicode_name_extension(L"日本語.txt"));
    HeaderFields leap_day = unix_time;  // 2024-02-29 23:59:59 UTC
    leap_day.time = 1709251199;
    leap_day.extensions = {name_extension("leap.txt")};
    write_file(archive,
               archive_of({header_bytes(dos), header_bytes(unix_time), header_bytes(leap_day)}));
    Outcome run = vornsfx({"list", arg(archive)});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("2000-03-01 12:34:56 local  -       0      dos.txt"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("2000-03-01 00:00:00 UTC    0xbeef  2      日本語.txt"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("2024-02-29 23:59:59 UTC"), std::string::npos) << run.out;
}

TEST_F(Inspect, TestFailsWithStatus1OnEveryDamagedMemberAndGoesOn) {
    HeaderFields wrong_crc;
    wrong_crc.packed_size = wrong_crc.original_size = 5;
    wrong_crc.crc = 0x1234;
    wrong_crc.extensions.push_back(name_extension("bad.txt"));
    Bytes bad = header_bytes(wrong_crc);
    for (char c : std::string("alpha"))
        bad.push_back(static_cast<uint8_t>(c));
    const Bytes good = stored_member(2, "good.txt", ascii("fine"));
    write_file(archive, archive_of({bad, good}));
    Outcome run = vornsfx({"test", arg(built_from(archive, {"--no-verify"}))});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("FAILED    bad.txt: CRC-16 0x"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("ok        good.txt"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("1 of 2 members failed"), std::string::npos) << run.out;

    HeaderFields unknown = wrong_crc;
    unknown.method = "-lhx-";
    Bytes skipped = header_bytes(unknown);
    skipped.insert(skipped.end(), 5, 'x');
    write_file(archive, archive_of({good, skipped}));
    run = vornsfx({"test", arg(archive)});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("FAILED    bad.txt: method -lhx-"), std::string::npos) << run.out;

    HeaderFields rejected;
    rejected.level = 0;
    rejected.name = ascii("c.txt");
    rejected.level0_extra = {0};
    write_file(archive, archive_of({good, header_bytes(rejected)}));
    run = vornsfx({"test", arg(archive)});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("FAILED    the header at offset 0x"), std::string::npos) << run.out;
}

TEST_F(Inspect, FilesThatCannotBeReadGiveStatus2) {
    EXPECT_EQ(vornsfx({"test", arg(dir / L"missing.lzh")}).status, 2);
    // The stub alone: a program with no payload.
    Outcome bare = vornsfx({"list", arg(stub)});
    EXPECT_EQ(bare.status, 2);
    EXPECT_NE(bare.err.find("nothing behind"), std::string::npos) << bare.err;
    // A block cut short inside its title.
    Bytes cut = minimal_stub(PAYLOAD_OFFSET);
    cut.insert(cut.end(), {1, 10, 'A', 0});
    write_file(archive, cut);
    Outcome short_block = vornsfx({"test", arg(archive)});
    EXPECT_EQ(short_block.status, 2);
    EXPECT_NE(short_block.err.find("configuration block at 0x16000 is cut short"),
              std::string::npos);
}

TEST_F(Inspect, TestDrawsProgressOnATerminalForLongArchivesOnly) {
    constexpr size_t LONG_MEMBER = 17u << 20;  // above the builder's threshold
    write_file(archive, archive_of({stored_member(2, "long.bin", Bytes(LONG_MEMBER, 'x'))}));
    Outcome on_terminal = vornsfx({"test", arg(archive)}, true);
    EXPECT_EQ(on_terminal.status, 0);
    EXPECT_NE(on_terminal.err.find("\rtesting: 50%"), std::string::npos);
    EXPECT_NE(on_terminal.err.find("\rtesting: 100%"), std::string::npos);
    EXPECT_EQ(on_terminal.err.back(), '\r') << "the progress line is erased at the end";
    EXPECT_EQ(on_terminal.out.find("ok        long.bin"), 0u) << on_terminal.out;
    EXPECT_TRUE(vornsfx({"test", arg(archive)}).err.empty());

    write_file(archive, archive_of({stored_member(2, "short.bin", Bytes(1000, 'x'))}));
    EXPECT_TRUE(vornsfx({"test", arg(archive)}, true).err.empty());
}
