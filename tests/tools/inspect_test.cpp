// vornsfx list, test, extract and unwrap: on every corpus archive, plain and
// built, they show and write what the independent decoder saw; then what they
// make of damaged, hostile and unreadable input, and test's exit statuses.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <regex>

#include "Sfx/config.h"
#include "builder_runner.h"
#include "support/corpus.h"
#include "tool_platform.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// Each member row of a listing as "METHOD LEVEL NAME", '/' for '\\'.
std::vector<std::string> rows_of(const std::string& listing) {
    static const std::regex row("\n(-l..-) [^\n]* (\\d) +([^\n]+)");
    std::vector<std::string> rows;
    for (std::sregex_iterator it(listing.begin(), listing.end(), row), end; it != end; ++it) {
        rows.push_back(it->format("$1 $2 $3"));
        std::replace(rows.back().begin(), rows.back().end(), '\\', '/');
    }
    return rows;
}

// Every file and folder below root, '/' between components, folders ending in '/'.
std::set<std::string> tree(const std::wstring& root) {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(native(root))) {
        std::wstring name = wide(entry.path().lexically_relative(native(root)));
        std::replace(name.begin(), name.end(), L'\\', L'/');
        names.insert(utf16_to_utf8(name.c_str(), name.size()) + (entry.is_directory() ? "/" : ""));
    }
    return names;
}

}  // namespace

TEST_F(Builder, EveryCorpusArchiveIsListedTestedExtractedAndUnwrappedAsTheIndependentDecoderSawIt) {
    const std::wstring corpus = path_from_environment("VORNSFX_CORPUS");
    for (const auto& members : read_corpus(corpus)) {
        const std::wstring plain = corpus_file(members.front().archive);
        SCOPED_TRACE(members.front().archive);
        std::vector<std::string> rows;
        std::set<std::string> names;
        uint64_t total = 0;
        for (const CorpusMember& m : members) {
            total += m.original_size;
            rows.push_back(m.method + " " + std::to_string(m.level) + " " + m.name);
            for (size_t slash = m.name.find('/'); slash != std::string::npos; slash = m.name.find('/', slash + 1))
                names.insert(m.name.substr(0, slash + 1));
            names.insert(m.name);
        }
        ASSERT_EQ(build({"--no-dialog"}, plain).status, 0);
        // The stub padded to the payload, the lead byte 0 alone, the archive.
        EXPECT_TRUE(read_file(output) == concat({minimal_stub(PAYLOAD_OFFSET), {0}, read_file(plain)}));
        const std::string count = std::to_string(members.size()) + (members.size() == 1 ? " member" : " members");
        const std::string passed = members.size() == 1 ? "the member passed" : "all " + count + " passed";
        for (const std::wstring& file : {plain, output}) {
            Outcome listed = vornsfx({"list", arg(file)});
            EXPECT_EQ(rows_of(listed.out), rows) << listed.out;
            EXPECT_TRUE(listed.says("\n" + count + ", " + std::to_string(total) + " bytes\n")) << listed.out;
            Outcome test = vornsfx({"test", arg(file)});
            EXPECT_EQ(test.status, 0) << test.out;
            EXPECT_TRUE(test.says(passed)) << test.out;
        }
        EXPECT_TRUE(vornsfx({"list", arg(output)}).says("archive at 0x16001"));

        const std::wstring extracted = dir / L"x";
        ASSERT_EQ(vornsfx({"extract", arg(output), "-C", arg(extracted)}).status, 0);
        EXPECT_EQ(tree(extracted), names);
        for (const CorpusMember& m : members)
            EXPECT_TRUE(m.folder() || read_file(extracted + L"/" + utf8_to_utf16(m.name)) ==
                                          read_file(corpus + L"/" + utf8_to_utf16(m.expected)))
                << m.name;
        fs::remove_all(native(extracted));

        const std::wstring back = dir / L"back.lzh";
        ASSERT_EQ(vornsfx({"unwrap", arg(output), "-o", arg(back)}).status, 0);
        EXPECT_TRUE(read_file(back) == read_file(plain));
        fs::remove(native(back));
    }
    // unwrap never writes over its input and wants a built file.
    EXPECT_EQ(vornsfx({"unwrap", arg(output), "-o", arg(output)}).status, 2);
    EXPECT_EQ(vornsfx({"unwrap", arg(corpus_file("lh0-l0.lzh")), "-o", arg(dir / L"x.lzh")}).status, 2);
}

// A damaged member fails test with status 1, and it goes on; what is no archive
// gives status 2; several files give the worst. Times show as stored; a name
// cannot forge a line.
TEST_F(Builder, ListAndTestStatusesTimesAndNames) {
    const Bytes good = stored_member(2, "good.txt", ascii("fine"));
    Bytes bad = stored_member(2, "bad.txt", ascii("alpha"));
    bad.back() ^= 1;
    Bytes cut_block = minimal_stub(PAYLOAD_OFFSET);
    cut_block.insert(cut_block.end(), {1, 10, 'A', 0});  // a block cut short inside its title
    HeaderFields dos;  // level 0 without a CRC, 2000-03-01 12:34:56 MS-DOS local time
    dos.level = 0;
    dos.time = (20u << 25 | 3u << 21 | 1u << 16) | (12u << 11 | 34u << 5 | 56u / 2);
    dos.with_crc = false;
    HeaderFields leap_day;
    leap_day.time = 1709251199;  // 2024-02-29 23:59:59 UTC
    const std::pair<std::wstring, Bytes> files[] = {
        {L"good.lzh", archive_of({good})},
        {L"bad.lzh", archive_of({bad})},
        // Cut exactly behind a member: the stub extracts what is there, with a warning.
        {L"unterminated.lzh", archive_of({good}, false)},
        {L"empty.lzh", concat({archive_of({}), ascii("x")})},
        {L"empty", {}},
        {L"cut-block.exe", cut_block},
        {L"dos.lzh", archive_of({member_with(dos, "dos.txt", {})})},
        {L"forged.lzh", archive_of({member_with(leap_day, "leap\nok        \x1b[2J.txt", {})})},
    };
    for (const auto& [name, bytes] : files) write_file(dir / name, bytes);
    struct Case {
        std::vector<std::string> args;
        int status;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {{"test", "unterminated.lzh"}, 0, {"without its terminating zero byte"}},
        {{"list", "--strict", "unterminated.lzh"}, 2, {"without its terminating zero byte"}},
        {{"list", "--strict", "empty.lzh"}, 2, {"the archive has no members", "1 bytes follow the archive"}},
        {{"test", "good.lzh", "bad.lzh", "good.lzh"}, 1, {"==> good.lzh <==\nok        good.txt"}},
        {{"test", "bad.lzh", "none.lzh", "good.lzh"}, 2, {"==> good.lzh <==\nok        good.txt"}},
        {{"test", "-q", "good.lzh", "bad.lzh"}, 1, {"bad.lzh: FAILED    bad.txt"}},
        {{"test", "-q", "-v", "good.lzh"}, 0, {"good.txt (-lh0-, 4 bytes, CRC-16 0x"}},
        {{"list", "empty"}, 2, {"not an LHA archive nor a"}},
        {{"test", "cut-block.exe"}, 2, {"configuration block at 0x16000 is cut short"}},
        {{"test", arg(null_device())}, 2, {"not a file on disk"}},
        {{"list", "dos.lzh"}, 0, {"2000-03-01 12:34:56 local  -       0      dos.txt"}},
        {{"list", "forged.lzh"}, 0, {"2024-02-29 23:59:59 UTC", "leap?ok        ?[2J.txt\n"}},
        {{"test", "forged.lzh"}, 0, {"ok        leap?ok        ?[2J.txt\n"}},
        {{"list", "--json", "forged.lzh"},
         0,
         {"\"path\": \"leap_ok        _[2J.txt\", \"stored_path\": \"leap\\u000aok        \\u001b[2J.txt\""}},
    };
    const fs::path was = fs::current_path();
    fs::current_path(native(dir.path()));
    for (const Case& c : cases) {
        Outcome run = vornsfx(c.args);
        EXPECT_EQ(run.status, c.status) << c.args[1] << "\n" << run.out << run.err;
        for (const std::string& text : c.texts)
            EXPECT_TRUE(run.says(text)) << text << "\n" << run.out << run.err;
    }
    EXPECT_FALSE(vornsfx({"test", "-q", "good.lzh"}).says("ok")) << "-q shows only failures";
    fs::current_path(was);
}

#ifndef _WIN32
// A listing that cannot be written is a failure, not a success.
TEST_F(Builder, AListingToAFullStandardOutputFails) {
    write_file(archive, archive_of({stored_member(2, "a.txt", ascii("alpha"))}));
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO), full = open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    dup2(full, STDOUT_FILENO);
    Console console;
    std::string err;
    console.captured_err = &err;
    const int status = run_vornsfx({"list", arg(archive)}, console);
    dup2(saved, STDOUT_FILENO);
    close(full);
    close(saved);
    clearerr(stdout);
    EXPECT_EQ(status, 2);
    EXPECT_NE(err.find("writing to standard output failed"), std::string::npos) << err;
}
#endif

TEST(Extract, HostileNamesStayInsideAndADamagedMemberStopsTheRunLeavingNothing) {
    constexpr uint32_t TIME = 1000000000;
    HeaderFields timed;
    timed.original_size = timed.packed_size = 2;
    timed.crc = 0xEEEF;  // CRC-16/ARC of "hi"
    timed.time = TIME;
    Bytes damaged = stored_member(2, "bad.txt", ascii("text"));
    damaged.back() ^= 1;
    TempDir dir;
    write_file(dir / L"a.lzh",
               archive_of({stored_member(0, "../../evil.txt", ascii("e")),
                           stored_member(1, "..\\..\\win.txt", ascii("w")),
                           stored_member(2, "/abs/x.txt", ascii("x")),
                           member_with(timed, "a/../../t.txt", ascii("hi")),
                           unix_link_member(2, "link|/etc/passwd"), damaged,
                           stored_member(2, "after.txt", ascii("a"))}));
    const std::wstring inside = dir / L"out/in";
    Outcome run = vornsfx({"extract", arg(dir / L"a.lzh"), "-C", arg(inside)});
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_EQ(folder_entries(dir.path()), (std::set<std::wstring>{L"a.lzh", L"out"}));
    EXPECT_EQ(tree(dir / L"out"),
              (std::set<std::string>{"in/", "in/evil.txt", "in/win.txt", "in/abs/", "in/abs/x.txt",
                                     "in/a/", "in/a/t.txt"}))
        << run.out;
    struct stat status;  // the temporary folder's name is ASCII on every system
    ASSERT_EQ(stat(utf16_to_utf8(inside + L"/a/t.txt").c_str(), &status), 0);
    EXPECT_EQ(status.st_mtime, TIME);
}
