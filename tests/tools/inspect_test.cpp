// vornsfx list and test: what they show of plain archives and built files,
// and test's exit statuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>
#include <tuple>

#include "Sfx/config.h"
#include "builder_runner.h"
#include "support/corpus.h"
#include "support/header_writer.h"
#include "tool_platform.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

// The members as list shows them: "method level path" for each row, the
// columns found by the table's heading.
std::vector<std::string> listed_members(const std::string& listing) {
    std::vector<std::string> rows;
    std::stringstream text(listing);
    size_t level_column = std::string::npos, path_column = std::string::npos;
    for (std::string line; std::getline(text, line);) {
        if (line.compare(0, 6, "method") == 0) {
            level_column = line.find("level");
            path_column = line.find("path");
        } else if (path_column < line.size() && line[0] == '-') {
            std::string path = line.substr(path_column);
            std::replace(path.begin(), path.end(), '\\', '/');
            rows.push_back(line.substr(0, 5) + " " + line.substr(level_column, 1) + " " + path);
        }
    }
    return rows;
}

// "method level" of each member of a JSON listing, in order.
std::vector<std::string> json_members(const std::string& json) {
    std::vector<std::string> rows;
    const std::regex member("\"method\": \"([^\"]*)\".*\"level\": (\\d)");
    for (std::sregex_iterator i(json.begin(), json.end(), member), end; i != end; ++i)
        rows.push_back((*i)[1].str() + " " + (*i)[2].str());
    return rows;
}

class Inspect : public ::testing::Test {
protected:
    void SetUp() override { write_file(stub, minimal_stub()); }

    std::wstring built_from(const std::wstring& input, std::vector<std::string> options = {}) {
        std::wstring output = dir / L"built.exe";
        options.insert(options.begin(), {"build", arg(input), "-o", arg(output), "--stub", arg(stub)});
        Outcome run = vornsfx(options);
        EXPECT_EQ(run.status, 0) << run.err;
        return output;
    }
    // `test` of the archive made of these members.
    Outcome test_of(const std::vector<Bytes>& members) {
        write_file(archive, archive_of(members));
        return vornsfx({"test", arg(archive)});
    }

    TempDir dir;
    std::wstring stub = dir / L"stub.exe";
    std::wstring archive = dir / L"input.lzh";
};

Bytes wrong_crc(const std::string& name, const std::string& method = "-lh0-") {
    HeaderFields f;
    f.method = method;
    f.original_size = 5;
    f.crc = 0x1234;
    return member_with(f, name, ascii("alpha"));
}

}  // namespace

TEST_F(Inspect, ListAndTestEveryCorpusArchivePlainAndBuilt) {
    for (const auto& members : read_corpus(path_from_environment("VORNSFX_CORPUS"))) {
        const std::wstring plain = corpus_file(members.front().archive);
        SCOPED_TRACE(members.front().archive);
        std::vector<std::string> expected, expected_json;
        for (const CorpusMember& m : members) {
            expected.push_back(m.method + " " + std::to_string(m.level) + " " + m.name);
            expected_json.push_back(m.method + " " + std::to_string(m.level));
        }
        Outcome listed = vornsfx({"list", arg(plain)});
        ASSERT_EQ(listed.status, 0) << listed.err;
        EXPECT_EQ(listed_members(listed.out), expected) << listed.out;

        const std::wstring built = built_from(plain);
        listed = vornsfx({"list", arg(built)});
        EXPECT_EQ(listed_members(listed.out), expected);
        EXPECT_TRUE(listed.says("self-extracting file"));
        listed = vornsfx({"list", "--json", arg(built)});
        EXPECT_EQ(json_members(listed.out), expected_json) << listed.out;
        const std::string passed = members.size() == 1
                                       ? "the member passed"
                                       : "all " + std::to_string(members.size()) + " members passed";
        for (const std::wstring& file : {plain, built}) {
            Outcome test = vornsfx({"test", arg(file)});
            EXPECT_EQ(test.status, 0) << test.out;
            EXPECT_TRUE(test.says(passed)) << test.out;
        }
    }
}

TEST_F(Inspect, ListShowsTimesAsStoredJapaneseNamesAndAMissingCrc) {
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
    leap_day.crc = 0;  // of no data
    leap_day.extensions = {name_extension("leap\nok        \x1b[2J.txt")};  // forges a line
    write_file(archive, archive_of({header_bytes(dos), header_bytes(unix_time), header_bytes(leap_day)}));
    Outcome run = vornsfx({"list", arg(archive)});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.says("2000-03-01 12:34:56 local  -       0      dos.txt")) << run.out;
    EXPECT_TRUE(run.says("2000-03-01 00:00:00 UTC    0xbeef  2      日本語.txt")) << run.out;
    EXPECT_TRUE(run.says("2024-02-29 23:59:59 UTC")) << run.out;
    EXPECT_TRUE(run.says("leap?ok        ?[2J.txt\n")) << run.out;
    Outcome json = vornsfx({"list", "--json", arg(archive)});
    EXPECT_TRUE(json.says("\"path\": \"leap_ok        _[2J.txt\", \"stored_path\": \"leap\\u000aok        \\u001b[2J.txt\"")) << json.out;
    EXPECT_TRUE(json.says("\"time\": \"2024-02-29T23:59:59Z\"")) << json.out;
    EXPECT_TRUE(json.says("\"local_time\": \"2000-03-01T12:34:56\"")) << json.out;
    run = vornsfx({"test", arg(archive)});
    EXPECT_TRUE(run.says("ok        leap?ok        ?[2J.txt\n")) << run.out;
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos) << run.out;
}

TEST_F(Inspect, TestFailsWithStatus1OnEveryDamagedMemberAndGoesOn) {
    const Bytes good = stored_member(2, "good.txt", ascii("fine"));
    write_file(archive, archive_of({wrong_crc("bad.txt"), good}));
    Outcome run = vornsfx({"test", arg(built_from(archive, {"--no-verify"}))});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.says("FAILED    bad.txt: CRC-16 0x")) << run.out;
    EXPECT_TRUE(run.says("ok        good.txt")) << run.out;
    EXPECT_TRUE(run.says("1 of 2 members failed")) << run.out;

    HeaderFields rejected;
    rejected.level = 0;
    rejected.name = ascii("c.txt");
    rejected.level0_extra = {0};
    Bytes cut_header = good;
    cut_header.resize(good.size() / 2);
    const Bytes two = archive_of({good, good}, false);
    const std::string header_failed = "FAILED    the header at offset 0x";
    const std::tuple<Bytes, int, std::vector<std::string>> cases[] = {
        {archive_of({good, wrong_crc("bad.txt", "-lhx-")}), 1, {"FAILED    bad.txt: method -lhx-"}},
        // A header the stub stops at, rejected or cut short, is no member to count.
        {concat({good, header_bytes(rejected)}), 1, {header_failed, "the member passed"}},
        {concat({good, cut_header}), 1, {header_failed, "the member passed"}},
        // Cut inside the last member's data: two members, the second one failed.
        {Bytes(two.begin(), two.end() - 1), 1, {"1 of 2 members failed"}},
        // Cut exactly behind a member: the stub extracts what is there, with a warning.
        {two, 0, {"without its terminating zero byte"}},
    };
    for (const auto& [bytes, status, texts] : cases) {
        write_file(archive, bytes);
        run = vornsfx({"test", arg(archive)});
        EXPECT_EQ(run.status, status) << run.out;
        for (const std::string& text : texts)
            EXPECT_TRUE(run.says(text)) << text << "\n" << run.out << run.err;
    }
    EXPECT_EQ(vornsfx({"list", "--strict", arg(archive)}).status, 2);
}

TEST_F(Inspect, SeveralFilesGiveTheWorstStatusAndDashReadsStandardInput) {
    const Bytes good = archive_of({stored_member(2, "good.txt", ascii("fine"))});
    const std::wstring bad = dir / L"bad.lzh";
    write_file(archive, good);
    write_file(bad, archive_of({wrong_crc("bad.txt")}));
    const std::pair<std::vector<std::wstring>, int> cases[] = {
        {{archive, archive}, 0}, {{archive, bad, archive}, 1}, {{bad, dir / L"none.lzh", archive}, 2}};
    for (const auto& [files, status] : cases) {
        std::vector<std::string> args = {"test"};
        for (const std::wstring& file : files) args.push_back(arg(file));
        Outcome run = vornsfx(args);
        EXPECT_EQ(run.status, status) << run.err;
        EXPECT_TRUE(run.says("==> " + arg(archive) + " <==\nok        good.txt")) << run.out;
    }
    Outcome quiet = vornsfx({"test", "-q", arg(archive), arg(bad)});
    EXPECT_EQ(quiet.out.find(arg(bad) + ": FAILED    bad.txt"), 0u) << quiet.out;
    EXPECT_FALSE(quiet.says("ok        ")) << quiet.out;
    EXPECT_TRUE(vornsfx({"test", "-q", "-v", arg(archive)}).says("good.txt (-lh0-, 4 bytes, CRC-16 0x"));
#ifndef _WIN32
    int pipe_ends[2];
    ASSERT_EQ(pipe(pipe_ends), 0);
    ASSERT_EQ(write(pipe_ends[1], good.data(), good.size()), static_cast<ssize_t>(good.size()));
    close(pipe_ends[1]);
    const int saved = dup(STDIN_FILENO);
    dup2(pipe_ends[0], STDIN_FILENO);
    Outcome piped = vornsfx({"test", "-"});
    dup2(saved, STDIN_FILENO);
    close(saved);
    close(pipe_ends[0]);
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_TRUE(piped.says("ok        good.txt")) << piped.out;
#endif
}

TEST_F(Inspect, FilesThatCannotBeReadGiveStatus2) {
    EXPECT_EQ(vornsfx({"test", arg(dir / L"missing.lzh")}).status, 2);
    const std::vector<Bytes> not_archives = {{}, ascii("\x89PNG\r\n\x1a\n"), ascii("# Read me\n")};
    for (const Bytes& content : not_archives) {
        write_file(archive, content);
        for (const char* command : {"list", "test"}) {
            Outcome run = vornsfx({command, arg(archive)});
            EXPECT_EQ(run.status, 2) << command << " " << content.size();
            EXPECT_TRUE(run.says("not an LHA archive nor a self-extracting file")) << run.out;
        }
    }
    Bytes program = minimal_stub(PAYLOAD_OFFSET);  // a Windows program, not our stub, with bytes behind
    program[0x200] = 'X';
    program.push_back(0);
    write_file(archive, program);
    EXPECT_TRUE(vornsfx({"list", arg(archive)}).says("a Windows program, but not a Vorn SFX file"));
    Outcome device = vornsfx({"test", arg(null_device())});
    EXPECT_EQ(device.status, 2);
    EXPECT_TRUE(device.says("not a file on disk")) << device.err;
    Outcome bare = vornsfx({"list", arg(stub)});  // the stub alone: no payload
    EXPECT_EQ(bare.status, 2);
    EXPECT_TRUE(bare.says("nothing behind")) << bare.err;
    Bytes cut = minimal_stub(PAYLOAD_OFFSET);
    cut.insert(cut.end(), {1, 10, 'A', 0});  // a block cut short inside its title
    write_file(archive, cut);
    Outcome short_block = vornsfx({"test", arg(archive)});
    EXPECT_EQ(short_block.status, 2);
    EXPECT_TRUE(short_block.says("configuration block at 0x16000 is cut short"));
}

TEST_F(Inspect, AnArchiveWithoutMembersIsListedAsSuchAndFailsItsTest) {
    write_file(archive, archive_of({}));
    Outcome listed = vornsfx({"list", arg(archive)});
    EXPECT_EQ(listed.status, 0);
    EXPECT_TRUE(listed.says("the archive has no members")) << listed.out;
    Outcome tested = vornsfx({"test", arg(archive)});
    EXPECT_EQ(tested.status, 1);
    EXPECT_TRUE(tested.says("the archive has no members")) << tested.out;
}

TEST_F(Inspect, TestDrawsProgressOnlyOnATerminalAndForLongArchives) {
    constexpr size_t LONG_MEMBER = 17u << 20;  // above the builder's threshold
    Outcome on_terminal = test_of({stored_member(2, "long.bin", Bytes(LONG_MEMBER, 'x'))});
    EXPECT_TRUE(on_terminal.err.empty());
    on_terminal = vornsfx({"test", arg(archive)}, true);
    EXPECT_EQ(on_terminal.status, 0);
    EXPECT_TRUE(on_terminal.says("\rtesting: 50%"));
    EXPECT_TRUE(on_terminal.says("\rtesting: 100%"));
    EXPECT_EQ(on_terminal.err.back(), '\r') << "the progress line is erased at the end";
    EXPECT_EQ(on_terminal.out.find("ok        long.bin"), 0u) << on_terminal.out;
    write_file(archive, archive_of({stored_member(2, "short.bin", Bytes(1000, 'x'))}));
    EXPECT_TRUE(vornsfx({"test", arg(archive)}, true).err.empty());
}
