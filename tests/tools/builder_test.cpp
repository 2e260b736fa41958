// vornsfx's commands, run in-process as the program would. build: what it
// writes reads back identically through list (the stub's own block reader),
// and every archive or setting the stub could not use is refused without
// leaving a file behind. list, test, extract and unwrap: on every corpus
// archive built into a program they show and write what the independent
// decoder saw; then damaged, hostile and unreadable input, and exit statuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <regex>

#include "Sfx/config.h"
#include "commands.h"
#include "support/corpus.h"
#include "support/files.h"
#include "support/header_writer.h"
#include "text/utf8.h"
#include "tool_platform.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
    bool says(const std::string& text) const {
        return out.find(text) != std::string::npos || err.find(text) != std::string::npos;
    }
};

Outcome vornsfx(const std::vector<std::string>& args) {
    Outcome run;
    Console console;
    console.captured_out = &run.out;
    console.captured_err = &run.err;
    run.status = run_vornsfx(args, console);
    return run;
}

// A path as the command line gives it: UTF-8.
std::string arg(const std::wstring& path) {
    return utf16_to_utf8(path);
}

// The smallest file the builder takes for a stub: "MZ", at pe a PE header of
// an x64 GUI program (cut off at size), the stub's version text at 0x200,
// zeros up to size.
constexpr size_t PE_HEADER_SIZE = 24 + 68 + 2;  // up to the subsystem's end
Bytes minimal_stub(size_t size = 4096, size_t pe = 0x40) {
    constexpr size_t MARK_AT = 0x200;
    const std::pair<size_t, uint16_t> fields[] = {
        {0, 'M' | 'Z' << 8}, {0x3C, pe}, {0x3E, pe >> 16}, {pe, 'P' | 'E' << 8},
        {pe + 4, 0x8664},    // machine: x64
        {pe + 24, 0x20B},    // optional header: PE32+
        {pe + 24 + 68, 2}};  // subsystem: Windows GUI
    Bytes stub(size, 0);
    auto put16 = [&](size_t at, uint16_t value) {  // what falls past the end is cut off
        for (size_t i = 0; i < 2 && at + i < size; ++i) stub[at + i] = uint8_t(value >> (8 * i));
    };
    for (const auto& [at, value] : fields) put16(at, value);
    const std::string mark = "Vorn SFX self-extractor";  // as the version resource has it
    for (size_t i = 0; i < mark.size() && MARK_AT + 2 * i < size; ++i) put16(MARK_AT + 2 * i, mark[i]);
    return stub;
}

std::wstring corpus_file(const std::string& name) {
    return path_from_environment("VORNSFX_CORPUS") + L"/" + utf8_to_utf16(name);
}

Bytes stored(const std::string& name, const std::string& text, int level = 2) {
    return stored_member(level, name, ascii(text));
}

// A folder holding a stub the builder takes and an empty folder for outputs.
class Builder : public ::testing::Test {
protected:
    void SetUp() override {
        write_file(stub, minimal_stub());
        make_folder(out_folder);
    }
    // vornsfx build INPUT -o OUTPUT --stub STUB OPTIONS; build_bytes writes INPUT first.
    Outcome build(std::vector<std::string> options, const std::wstring& input) {
        options.insert(options.begin(), {"build", arg(input), "-o", arg(output), "--stub", arg(stub)});
        return vornsfx(options);
    }
    Outcome build_bytes(const std::vector<std::string>& options, const Bytes& archive_bytes) {
        write_file(archive, archive_bytes);
        return build(options, archive);
    }
    // Status 2, an error naming the problem, and nothing left in the output folder.
    void expect_refused(const Outcome& run, const std::string& problem) {
        EXPECT_EQ(run.status, 2) << run.out;
        EXPECT_NE(run.err.find(problem), std::string::npos) << run.err;
        EXPECT_TRUE(folder_entries(out_folder).empty()) << "a file was left behind";
    }

    TempDir dir;
    std::wstring stub = dir / L"stub.exe";
    std::wstring archive = dir / L"input.lzh";
    std::wstring out_folder = dir / L"out";
    std::wstring output = out_folder + TempDir::SEPARATOR + L"setup.exe";
};

}  // namespace

TEST_F(Builder, EveryOptionValueReadsBackThroughTheStubReaderInList) {
    const std::vector<std::string> words = {"off", "offered", "chosen", "offered,chosen"};
    for (size_t i = 0; i < words.size(); ++i) {
        SCOPED_TRACE(i);
        // U+1F4E6 takes two UTF-16 units; list doubles each backslash.
        const std::string title = i == 0 ? "" : i == 1 ? std::string(255, 'T') : "セットアップ \xF0\x9F\x93\xA6";
        const std::string dest = i % 2 ? "Vorn\\Tools" : "D:\\Apps";
        const std::string shown_dest = i % 2 ? "\"Vorn\\\\Tools\"" : "\"D:\\\\Apps\"";
        const std::string base = i % 2 ? "program-files" : "cwd";
        // A repeated option takes its last value.
        Outcome run = build({"--title=first", "--desktop", "chosen,offered,chosen", "--title", title,
                             "--dest=" + dest, "--base", base, "--shortcut-target", "bin\\kernel32.part",
                             "--shortcut-name", "カーネル", "--run-after", "readme.txt", "--start-menu", words[i],
                             "--desktop", words[(i + 1) % 4], "--send-to", words[(i + 2) % 4]},
                            corpus_file("lh5-l1.lzh"));
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "") << "both named files are members";

        Outcome list = vornsfx({"list", arg(output)});
        ASSERT_EQ(list.status, 0) << list.err;
        const std::pair<std::string, std::string> shown[] = {
            {"lead byte", "0x01 "}, {"title", "\"" + title + "\"" + (i ? "" : " (shown: Vorn SFX)")},
            {"base", base + " (0x0" + std::to_string(i % 2) + ")"}, {"dest", shown_dest},
            {"shortcut-target", "\"bin\\\\kernel32.part\""}, {"shortcut-name", "\"カーネル\""},
            {"run-after", "\"readme.txt\""}, {"start-menu", words[i] + " (0x0" + std::to_string(i) + ")"},
            {"desktop", words[(i + 1) % 4] + " ("}, {"send-to", words[(i + 2) % 4] + " ("}};
        for (const auto& [key, value] : shown) {
            std::smatch found;  // "  key   value"
            ASSERT_TRUE(std::regex_search(list.out, found, std::regex("\n  " + key + " +([^\n]*)"))) << key;
            EXPECT_EQ(found[1].str().substr(0, value.size()), value) << key;
        }
    }
}

TEST_F(Builder, RefusesTextsAndStubsTheStubCouldNotUseAndTakesArchivesItCan) {
    const Bytes input = concat({stored("a.txt", "alpha"), {0}});
    auto stub_with = [](size_t at, uint8_t value) {
        Bytes stub = minimal_stub();
        stub[at] = value;
        return stub;
    };
    struct Refusal {
        std::vector<std::string> options;
        Bytes stub;
        std::string problem;
    };
    const Refusal refusals[] = {
        {{"--shortcut-name", std::string(254, 'N') + "\xF0\x9F\x93\xA6", "--shortcut-target", "a.txt"},
         minimal_stub(), "--shortcut-name: 256 UTF-16 units, the limit is 255"},
        {{"--dest", std::string("C:\\A\0B", 6)}, minimal_stub(), "--dest: the text contains a NUL"},
        {{"--run-after", "caf\xE9.exe"}, minimal_stub(), "--run-after: the text is not valid UTF-8"},
        {{"--run-after", "B.txt", "--strict"}, minimal_stub(), "--run-after: the archive has no member"},
        {{}, stub_with(1, 'X'), "not a Windows program"},
        {{}, stub_with(0x40, 'X'), "not a Windows program"},
        {{}, stub_with(0x3C + 2, 0x10), "not a Windows program"},  // PE header past the end
        {{}, minimal_stub(0x40 + 4), "not a 64-bit (PE32+, x64)"},  // its PE signature ends the file
        {{}, stub_with(0x40 + 4, 0x4C), "not a 64-bit (PE32+, x64)"},
        {{}, stub_with(0x40 + 24 + 1, 0x01), "not a 64-bit (PE32+, x64)"},
        {{}, stub_with(0x40 + 24 + 68, 3), "not a Windows GUI program"},
        {{}, stub_with(0x200, 'X'), "not the Vorn SFX stub"},
        {{}, minimal_stub(PAYLOAD_OFFSET, PAYLOAD_OFFSET - PE_HEADER_SIZE + 1), "its PE header is cut short"},
        {{}, minimal_stub(PAYLOAD_OFFSET + 1), "90113 bytes, the stub's image must fit in 90112 bytes"},
    };
    expect_refused(build_bytes({"--strict"}, concat({input, ascii("x")})), "1 bytes after the archive");
    for (const Refusal& refusal : refusals) {
        write_file(stub, refusal.stub);
        expect_refused(build_bytes(refusal.options, input), refusal.problem);
    }
    stub = dir / L"none.exe";
    expect_refused(build({}, archive), "none.exe");
    // A PE header that ends where the payload begins is whole. What follows the
    // archive's zero byte is left out, and an archive without one gets it.
    write_file(stub, minimal_stub(PAYLOAD_OFFSET, PAYLOAD_OFFSET - PE_HEADER_SIZE));
    const Bytes built = concat({read_file(stub), {0}, input});
    EXPECT_TRUE(build_bytes({"--no-dialog"}, concat({input, ascii("JUNK")})).says("4 bytes after"));
    EXPECT_TRUE(read_file(output) == built);
    Outcome run = build_bytes({"--no-dialog"}, Bytes(input.begin(), input.end() - 1));
    EXPECT_TRUE(run.says("warning: " + arg(archive) + ": the archive ends without")) << run.err;
    EXPECT_TRUE(read_file(output) == built);
}

// What build refuses in an archive, test reports as a failed member or a
// header it stops at, with status 1.
TEST_F(Builder, DamagedArchivesAreRefusedByBuildAndFailTheirTest) {
    const Bytes good = stored("a.txt", "alpha");
    auto header = [](auto change) {
        HeaderFields fields;
        fields.extensions.push_back(name_extension("b.txt"));
        change(fields);
        return header_bytes(fields);
    };
    Bytes wrong_crc_member = stored("b.txt", "alpha");
    wrong_crc_member.back() ^= 1;
    // Into the -lh5- data of lh5-l2.lzh's last member, window-3x.bin.
    Bytes damaged = read_file(corpus_file("lh5-l2.lzh"));
    for (size_t i = damaged.size() - 3000; i < damaged.size() - 2980; ++i) damaged[i] ^= 0x5A;
    const Bytes two = concat({good, stored("b.txt", "beta"), {0}});
    HeaderFields tail;  // level 0 with one byte after the CRC: a tail the stub rejects
    tail.level = 0;
    tail.level0_extra = {0};
    struct Damage {
        Bytes archive;
        std::string refused;
        std::string failed;  // what test says; empty where another row covers its line
    };
    const Damage damages[] = {
        {concat({good, header([](HeaderFields& f) { f.level = 3; }), {0}}), "(b.txt): header level 3", ""},
        {concat({good, member_with(tail, "c.txt", {}), {0}}), "at offset 0x27 has a layout the stub rejects",
         "; nothing behind it is extracted\nthe member passed"},
        {concat({header([](HeaderFields& f) { f.method = "-lhx-"; }), {0}}),
         "member 1 (b.txt): method -lhx- is not one the stub decodes", "FAILED    b.txt: method -lhx-"},
        {concat({header([](HeaderFields& f) { f.original_size = 0x80000000u; }), {0}}), "below 2 GiB", ""},
        // Sizes at the largest the stub takes: not too large, but past the end.
        {header([](HeaderFields& f) { f.packed_size = f.original_size = INT32_MAX; }), "its data runs", ""},
        {concat({wrong_crc_member, {0}}), "(b.txt): decoded to CRC-16 0xab8e, the header says 0x6b4f",
         "FAILED    b.txt: CRC-16 0xab8e, the header says 0x6b4f"},  // of "alph`" and "alpha"
        {damaged, "member 18 (window-3x.bin): ", "1 of 18 members failed"},
        {Bytes{0}, "the archive has no members", "the archive has no members"},
        {Bytes(two.begin(), two.begin() + good.size() + 10), "0x27 is cut short by the end of the file",
         "; nothing behind it is extracted\nthe member passed"},
        {Bytes(two.begin(), two.end() - 2), "member 2 (b.txt): its data runs 1 bytes past",
         "ok        a.txt\nFAILED    b.txt: its data runs 1 bytes past the end of the file\n"
         "1 of 2 members failed"},
        {minimal_stub(), "a Windows program, not an LHA archive", "not a self-extracting file"},
        {concat({good, stored("C:", "x"), {0}}), "member 2 (C:): the stub's path rules leave nothing", ""},
        {concat({good, stored("", "x"), {0}}), "it has no name, so the stub could not create its file", ""},
        {concat({good, stored("A.TXT", "x"), {0}}), "(A.TXT): the stub would write it over member 1", ""},
        {concat({good, stored("a.txt/b", "x"), {0}}), "needs a folder where member 1 (a.txt) is a file", ""},
        {concat({stored("d/b", "x"), stored("D", "x"), {0}}), "where member 1 (d/b) needs a folder", ""},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.refused);
        expect_refused(build_bytes({}, damage.archive), damage.refused);
        Outcome test = vornsfx({"test", arg(archive)});
        if (damage.failed.empty()) continue;
        EXPECT_EQ(test.status, damage.archive == minimal_stub() ? 2 : 1);
        EXPECT_TRUE(test.says(damage.failed)) << test.out << test.err;
    }
    // --no-verify skips the decoding only: the bad CRC passes, the unknown method not.
    expect_refused(build_bytes({"--no-verify"}, damages[2].archive), "is not one the stub decodes");
    EXPECT_EQ(build_bytes({"--no-verify"}, concat({wrong_crc_member, {0}})).status, 0);
}

// The output is written beside and renamed into place: a failure leaves the
// old file, and no file the build reads, nor a folder, is ever replaced.
TEST_F(Builder, NeverLeavesAHalfWrittenOutputNorReplacesItsInputs) {
    const Bytes input = concat({stored("a.txt", "alpha"), {0}});
    write_file(archive, input);
    write_file(output, ascii("old"));
    static int writes;
    writes = 0;
    CWinFile::set_write_failure_hook([](const CWinFile&) { return ++writes == 2; });
    Outcome run = build({}, archive);
    CWinFile::set_write_failure_hook(nullptr);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.says("writing failed")) << run.err;
    const std::string kept = "exists, and -n (--no-clobber) keeps it";
    EXPECT_TRUE(build({"-n"}, archive).says(kept));
    EXPECT_TRUE(vornsfx({"pack", arg(archive), "--no-clobber", "-o", arg(output)}).says(kept));
    EXPECT_EQ(vornsfx({"pack", arg(archive), "-o", arg(dir / L"lone.lzh")}).status, 0);  // a header at 0
    EXPECT_TRUE(read_file(output) == ascii("old"));
    EXPECT_EQ(folder_entries(out_folder).size(), 1u) << "no temporary file left";

    const std::wstring hard_link = dir / L"hard.lzh";
    fs::create_hard_link(native(archive), native(hard_link));
    for (const std::wstring& taken : {archive, hard_link, stub, out_folder}) {
        output = taken;
        const char* refusal = taken == out_folder ? "a folder" : "the same file as";
        EXPECT_TRUE(build({}, archive).says(refusal)) << arg(taken);
    }
    EXPECT_TRUE(read_file(archive) == input);
}

TEST_F(Builder, EveryCorpusArchiveIsListedTestedExtractedAndUnwrappedAsTheIndependentDecoderSawIt) {
    for (const auto& members : read_corpus(path_from_environment("VORNSFX_CORPUS"))) {
        const std::wstring plain = corpus_file(members.front().archive);
        SCOPED_TRACE(members.front().archive);
        std::vector<std::string> rows;
        uint64_t total = 0;
        for (const CorpusMember& m : members) {
            total += m.original_size;
            rows.push_back(m.method + " " + std::to_string(m.level) + " " + m.name);
        }
        ASSERT_EQ(build({"--no-dialog"}, plain).status, 0);
        // The stub padded to the payload, the lead byte 0 alone, the archive.
        EXPECT_TRUE(read_file(output) == concat({minimal_stub(PAYLOAD_OFFSET), {0}, read_file(plain)}));
        const std::string count = std::to_string(members.size()) + " members";
        Outcome listed = vornsfx({"list", arg(output)});
        // Each member row as "METHOD LEVEL NAME", '/' for '\\'.
        std::string listing = listed.out;
        std::replace(listing.begin(), listing.end(), '\\', '/');
        const std::regex row("\n(-l..-) [^\n]* (\\d) +([^\n]+)");
        std::vector<std::string> listed_rows;
        for (std::sregex_iterator it(listing.begin(), listing.end(), row), end; it != end; ++it)
            listed_rows.push_back(it->format("$1 $2 $3"));
        EXPECT_EQ(listed_rows, rows) << listed.out;
        const std::string end = " bytes\nthe archive's terminating zero byte is at 0x";
        EXPECT_TRUE(listed.says("\n" + count + ", " + std::to_string(total) + end)) << listed.out;
        EXPECT_TRUE(listed.says("block at 0x16000, 1 byte:\n")) << listed.out;
        EXPECT_TRUE(listed.says("archive at 0x16001"));
        Outcome test = vornsfx({"test", arg(output)});
        EXPECT_EQ(test.status, 0) << test.out;
        EXPECT_TRUE(test.says("all " + count + " passed")) << test.out;

        const std::wstring extracted = dir / L"x";
        ASSERT_EQ(vornsfx({"extract", arg(output), "-C", arg(extracted)}).status, 0);
        expect_same_tree(list_tree(extracted), corpus_tree(members.front().archive), false);
        fs::remove_all(native(extracted));

        ASSERT_EQ(vornsfx({"unwrap", arg(output), "-o", arg(archive)}).status, 0);
        EXPECT_TRUE(read_file(archive) == read_file(plain));
    }
    // unwrap never writes over its input and wants a built file.
    EXPECT_EQ(vornsfx({"unwrap", arg(output), "-o", arg(output)}).status, 2);
    EXPECT_EQ(vornsfx({"unwrap", arg(corpus_file("lh0-l0.lzh")), "-o", arg(dir / L"x.lzh")}).status, 2);
}

// A damaged member fails test with status 1, and it goes on; what is no archive
// gives status 2; several files give the worst. Times show as stored; a name
// cannot forge a line. A usage mistake is named, with status 2; -h is none.
TEST_F(Builder, StatusesMessagesTimesAndNames) {
    const Bytes good = stored("good.txt", "fine");
    Bytes bad = stored("bad.txt", "alpha");
    bad.back() ^= 1;
    HeaderFields dos;  // level 0 without a CRC, 2000-03-01 12:34:56 MS-DOS local time
    dos.level = 0;
    dos.time = (20u << 25 | 3u << 21 | 1u << 16) | (12u << 11 | 34u << 5 | 56u / 2);
    dos.with_crc = false;
    HeaderFields leap_day;
    leap_day.time = 1709251199;  // 2024-02-29 23:59:59 UTC
    const std::pair<std::wstring, Bytes> files[] = {
        {L"good.lzh", concat({good, {0}})},
        {L"bad.lzh", concat({bad, {0}})},
        // Cut exactly behind a member: the stub extracts what is there, with a warning.
        {L"unterminated.lzh", good},
        {L"empty.lzh", concat({{0}, ascii("x")})},
        {L"empty", {}},
        {L"dos.lzh", concat({member_with(dos, "dos.txt", {}), {0}})},
        {L"forged.lzh", concat({member_with(leap_day, "leap\nok        \x1b[2J.txt", {}), {0}})},
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
        {{"test", arg(null_device())}, 2, {"not a file on disk"}},
        {{"list", "dos.lzh"}, 0, {"2000-03-01 12:34:56 local  -       0      dos.txt"}},
        {{"list", "forged.lzh"}, 0, {"2024-02-29 23:59:59 UTC", "leap?ok        ?[2J.txt\n"}},
        {{"list", "--json", "forged.lzh"}, 0,
         {"\"path\": \"leap_ok        _[2J.txt\", \"stored_path\": \"leap\\u000aok        \\u001b[2J.txt\""}},
        {{}, 2, {}},
        {{"frobnicate"}, 2, {}},
        {{"build", "a"}, 2, {"no output given"}},
        {{"build", "a", "-o", "x", "--send-to", "offered"}, 2, {"--send-to needs --shortcut-target"}},
        {{"build", "a", "-o", "x", "--no-dialog", "--title", "T"}, 2, {"--title cannot be used with it"}},
        {{"build", "a", "-o", "x", "--start-menu", "offered,never"}, 2, {"'offered,never' is not one"}},
        {{"build", "a", "-o"}, 2, {"-o: a value is missing"}},
        {{"build", "a", "-o", "x", "--strict=yes"}, 2, {"--strict takes no value"}},
        {{"build", "-o", "x"}, 2, {"no archive, file or folder given"}},
        {{"pack", "t", "--effort=max", "-o", "x.lzh"}, 2, {"--effort: 'max' is not one of"}},
        {{"pack", "t"}, 2, {"no output given (-o OUT.lzh)"}},
        {{"pack", "", "-o", "x.lzh"}, 2, {": names no file or folder to store"}},
        {{"pack", "none/", "-o", "x.lzh"}, 2, {"none/: no such file or folder"}},
        {{"pack", "-o", "x.lzh", "--title", "T"}, 2, {"unknown option --title"}},
        {{"test", "--json", "a"}, 2, {"unknown option --json"}},
        {{"list"}, 2, {"no file given"}},
        {{"list", "--json", "a", "b"}, 2, {"takes one file"}},
        {{"pack", "-h"}, 0, {"Usage: vornsfx pack PATH"}},
    };
    const fs::path was = fs::current_path();
    fs::current_path(native(dir.path()));
    for (const Case& c : cases) {
        Outcome run = vornsfx(c.args);
        EXPECT_EQ(run.status, c.status) << testing::PrintToString(c.args) << "\n" << run.out << run.err;
        for (const std::string& text : c.texts)
            EXPECT_TRUE(run.says(text)) << text << "\n" << run.out << run.err;
    }
    EXPECT_FALSE(vornsfx({"test", "-q", "good.lzh"}).says("ok")) << "-q shows only failures";
    fs::current_path(was);
}

#ifndef _WIN32
TEST_F(Builder, AListingToAFullStandardOutputFails) {
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO), full = open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    dup2(full, STDOUT_FILENO);
    Console console;
    std::string err;
    console.captured_err = &err;
    const int status = run_vornsfx({"list", arg(corpus_file("lh0-l0.lzh"))}, console);
    dup2(saved, STDOUT_FILENO);
    close(full);
    close(saved);
    clearerr(stdout);
    EXPECT_EQ(status, 2);
    EXPECT_NE(err.find("writing to standard output failed"), std::string::npos) << err;
}
#endif

TEST_F(Builder, ExtractKeepsHostileNamesInsideAndADamagedMemberStopsTheRunLeavingNothing) {
    HeaderFields timed;
    timed.original_size = timed.packed_size = 2;
    timed.crc = 0xEEEF;  // CRC-16/ARC of "hi"
    timed.time = 1000000000;
    Bytes damaged = stored("bad.txt", "text");
    damaged.back() ^= 1;
    write_file(archive, concat({stored("../../evil.txt", "e", 0), stored("..\\..\\win.txt", "w", 1),
                                stored("/abs/x.txt", "x"), member_with(timed, "a/../../t.txt", ascii("hi")),
                                unix_link_member(2, "link|/etc/passwd"), damaged, stored("after.txt", "a"),
                                {0}}));
    const std::wstring inside = out_folder + L"/in";
    Outcome run = vornsfx({"extract", arg(archive), "-C", arg(inside)});
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_EQ(folder_entries(dir.path()), (std::set<std::wstring>{L"input.lzh", L"out", L"stub.exe"}));
    Tree written = list_tree(out_folder);
    EXPECT_EQ(describe(written), "D in\nD in/a\nF in/a/t.txt (2)\nD in/abs\nF in/abs/x.txt (1)\n"
                                 "F in/evil.txt (1)\nF in/win.txt (1)\n")
        << run.out;
    EXPECT_EQ(written[L"in/a/t.txt"].mtime, timed.time);
}

// extract makes no link, so one below DIR was put there by someone else: a
// member whose way meets one, as a folder or as its own name, is refused and
// stops the run, and nothing changes where the link leads.
TEST_F(Builder, ExtractNeverWritesThroughALinkItDidNotMake) {
    const std::wstring inside = out_folder + L"/in", outside = dir / L"outside";
    make_folder(inside);
    make_folder(outside);
    write_file(outside + L"/victim.txt", ascii("old text"));
    std::error_code error;
    fs::create_directory_symlink(native(outside), native(inside + L"/sub"), error);
    if (!error) fs::create_symlink(native(outside + L"/victim.txt"), native(inside + L"/file.txt"), error);
    if (error || !exists(inside + L"/file.txt")) GTEST_SKIP() << "no symbolic links here";  // Wine makes none
    HeaderFields folder;
    folder.method = "-lhd-";
    for (const std::string name : {"sub/victim.txt", "sub/deeper/new.txt", "file.txt", "sub"}) {
        write_file(archive, concat({name == "sub" ? member_with(folder, name, {}) : stored(name, "new"),
                                    stored("after.txt", "a"), {0}}));
        Outcome run = vornsfx({"extract", arg(archive), "-C", arg(inside)});
        EXPECT_TRUE(run.status == 1 && run.says("FAILED    " + name + ": " + name.substr(0, name.find('/')) +
                                                " is a link (symbolic link or junction)"))
            << run.out;
    }
    EXPECT_EQ(describe(list_tree(outside)), "F victim.txt (8)\n");
    EXPECT_EQ(folder_entries(inside), (std::set<std::wstring>{L"file.txt", L"sub"}));
}

// Cut anywhere inside a level-1 header's chain of extended headers (folder,
// name, Unix mode), the header is broken: the run stops before any file is
// created or replaced, as at every other cut.
TEST_F(Builder, ExtractOfALevel1HeaderCutInItsExtendedHeadersTouchesNoFile) {
    HeaderFields f;
    f.level = 1;
    f.os_id = 'U';
    f.original_size = 3;
    f.crc = 0xAB0A;  // CRC-16/ARC of "new"
    f.extensions = {{EXT_FOLDER, ascii("dir\xFF")}, name_extension("kept.txt"), {0x50, {0xA4, 0x81}}};
    const Bytes whole = member_with(f, "", ascii("new"));
    const std::wstring inside = out_folder + L"/in";
    make_folder(inside + L"/dir");
    write_file(inside + L"/dir/kept.txt", ascii("old text"));
    // From inside the first extension's size field (at whole[0]) to the header's last byte.
    for (size_t cut = whole[0] + 1u; cut < whole.size() - 3; ++cut) {
        write_file(archive, Bytes(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(cut)));
        Outcome run = vornsfx({"extract", arg(archive), "-C", arg(inside)});
        EXPECT_TRUE(run.status == 1 && run.says("nothing behind it is extracted")) << cut << run.out;
        EXPECT_EQ(describe(list_tree(inside)), "D dir\nF dir/kept.txt (8)\n") << cut;
    }
    write_file(archive, concat({whole, {0}}));
    EXPECT_EQ(vornsfx({"extract", arg(archive), "-C", arg(inside)}).status, 0);
    EXPECT_TRUE(read_file(inside + L"/dir/kept.txt") == ascii("new"));
}

// ".", ".." and "a/.." pack a folder's contents; an output inside it is never a member.
#ifndef _WIN32
// Names a POSIX folder may hold but Windows may not, each in a folder of its
// own: the whole build is refused and no output is left.
TEST_F(Builder, NamesWindowsCannotHoldAreRefusedBeforeAnythingIsWritten) {
    const std::wstring long_name(100, L'n');
    const struct {
        std::vector<std::wstring> files;
        std::string problem;
    } cases[] = {
        {{L"Readme.txt", L"README.TXT"}, "Windows cannot hold both f/README.TXT and f/Readme.txt"},
        {{L"\u03c3.txt", L"\u03a3.txt"}, "Windows cannot hold both f/\u03a3.txt and f/\u03c3.txt"},
        {{L"d/x", L"D/y"}, "Windows cannot hold both f/D and f/d"},
        {{L"ok.txt", L"sub/name."}, "f/sub/name.: a name ending in a dot or a space"},
        {{L"trail "}, "a name ending in a dot or a space"},
        {{L" "}, "a name ending in a dot or a space"},
        {{L"a:b"}, "Windows cannot create this name"},
        {{long_name + L"/" + long_name + L"/" + long_name}, "the path is 304 characters long"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const std::wstring folder = dir / (L"case" + std::to_wstring(i)), input = folder + L"/f";
        for (const std::wstring& file : cases[i].files) {
            const std::wstring path = input + L"/" + file;
            make_folder(path.substr(0, path.rfind(L'/')));
            write_file(path, ascii("x"));
        }
        SCOPED_TRACE(cases[i].problem);
        expect_refused(build({}, input), cases[i].problem);
    }
    const std::wstring bytes_folder = dir / L"bytes";
    make_folder(bytes_folder);
    ::close(::open((arg(bytes_folder) + "/caf\xE9").c_str(), O_CREAT | O_WRONLY, 0644));
    expect_refused(build({}, bytes_folder), "not valid UTF-8");
    const std::string file = arg(dir / L"case0/f/Readme.txt");
    expect_refused(vornsfx({"build", file, file, "-o", arg(output), "--stub", arg(stub)}),
                   "Readme.txt: given twice");
}
#endif

TEST_F(Builder, ADotPacksTheFolderContentsWithoutTheOutputAndARootIsRefused) {
    const std::wstring app = dir / L"app", sub = app + TempDir::SEPARATOR + L"sub";
    make_folder(sub);
    write_file(app + TempDir::SEPARATOR + L"a.txt", ascii("alpha"));
    write_file(sub + TempDir::SEPARATOR + L"b.txt", ascii("beta"));
    const fs::path was = fs::current_path();
    fs::current_path(native(sub));
    ASSERT_EQ(vornsfx({"pack", arg(app) + "/", "-q", "-o", "../../ref.lzh"}).status, 0);
    const Bytes reference = read_file(dir / L"ref.lzh");
    auto packs_reference = [&](const std::string& input, const std::string& output, const std::wstring& written) {
        return vornsfx({"pack", input, "-q", "-o", output}).status == 0 && read_file(written) == reference;
    };
    for (const std::string name : {"..", "../sub/..", "./.."})
        EXPECT_TRUE(packs_reference(name, "../../x.lzh", dir / L"x.lzh")) << name;
    fs::current_path(native(app));
    ASSERT_EQ(vornsfx({"build", ".", "-o", "setup.exe", "--no-dialog", "-q", "--stub", arg(stub)}).status, 0);
    EXPECT_TRUE(vornsfx({"unwrap", "setup.exe", "-o", "../x"}).status == 0 && read_file(dir / L"x") == reference);
    for (int again = 0; again < 2; ++again)  // each run replaces the output before it
        EXPECT_TRUE(packs_reference(".", "setup.exe", app + TempDir::SEPARATOR + L"setup.exe")) << again;
    const std::string root = TempDir::SEPARATOR == L'/' ? "/" : "C:\\";
    EXPECT_TRUE(vornsfx({"pack", root, "-o", "../y.lzh"}).says("the root of a file system"));
    fs::current_path(was);
}

TEST_F(Builder, PackWritesTheSameArchiveOnAnyNumberOfThreadsAndStoresWhatTheWholeStreamDoesNotShrink) {
    std::mt19937 random(3);
    auto noise = [&](size_t n) { Bytes b(n); for (uint8_t& x : b) x = uint8_t(random()); return b; };
    auto text = [&](size_t n) { Bytes b(n); for (uint8_t& x : b) x = uint8_t('a' + random() % 5); return b; };
    make_folder(dir / L"t");
    write_file(dir / L"t/noise", noise(2'600'000));                         // stored: no piece shrinks
    write_file(dir / L"t/noise-then-text", concat({noise(1'200'000), text(1'500'000)}));  // its first piece grows
    write_file(dir / L"t/small", text(5000));
    std::vector<Bytes> archives;
    for (std::string threads : {"1", "2", "16"}) {
        const std::wstring packed = dir / utf8_to_utf16("j" + threads + ".lzh");
        ASSERT_EQ(vornsfx({"pack", "-q", "-j", threads, "--effort", "fast", arg(dir / L"t"), "-o", arg(packed)}).status, 0);
        archives.push_back(read_file(packed));
        EXPECT_EQ(archives.back(), archives.front()) << "-j " << threads;
    }
    Outcome tested = vornsfx({"test", "-v", arg(dir / L"j2.lzh")});
    EXPECT_EQ(tested.status, 0) << tested.out;
    for (std::string line : {"t/noise (-lh0-, 2600000 bytes", "t/noise-then-text (-lh7-", "t/small (-lh7-"})
        EXPECT_TRUE(tested.says(line)) << line << "\n" << tested.out;
    const Bytes wide_small = {'s', 0, 'm', 0, 'a', 0, 'l', 0, 'l', 0};  // an ASCII name needs no UTF-16 twin
    EXPECT_EQ(std::search(archives[0].begin(), archives[0].end(), wide_small.begin(), wide_small.end()),
              archives[0].end());
    EXPECT_EQ(vornsfx({"pack", "t", "-j", "0", "-o", "x.lzh"}).status, 2);
    EXPECT_TRUE(vornsfx({"pack", "t", "--threads=257", "-o", "x.lzh"}).says("'257' is not a number of threads"));
}
