// vornsfx build: what it writes is read back identically by the stub's own
// readers, and every archive or setting the stub could not use is refused
// without leaving a file behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

#include "Sfx/config.h"
#include "builder_runner.h"
#include "commands.h"
#include "output_file.h"
#include "support/header_writer.h"
#include "text/utf8.h"
#include "text/win_file.h"

namespace {

std::wstring units(const CWideString& text) {
    return std::wstring(text.c_str(), text.length());
}

// The "  key   value" lines of a listing's configuration block.
std::map<std::string, std::string> listed_fields(const std::string& listing) {
    constexpr size_t KEY_COLUMNS = 17, VALUE_COLUMN = 19;
    std::map<std::string, std::string> fields;
    for (size_t start = 0, end; start < listing.size(); start = end + 1) {
        end = std::min(listing.find('\n', start), listing.size());
        std::string line = listing.substr(start, end - start);
        if (line.size() <= VALUE_COLUMN || line.compare(0, 2, "  ") != 0 || line[2] == ' ') continue;
        std::string key = line.substr(2, KEY_COLUMNS);
        fields[key.erase(key.find_last_not_of(' ') + 1)] = line.substr(VALUE_COLUMN);
    }
    return fields;
}

Bytes stored(const std::string& name, const std::string& text, int level = 2) {
    return stored_member(level, name, ascii(text));
}

class Build : public ::testing::Test {
protected:
    void SetUp() override {
        write_file(stub, minimal_stub());
        make_folder(out_folder);
    }

    Outcome build(std::vector<std::string> args, const std::wstring& input) {
        args.insert(args.begin(), {"build", arg(input), "-o", arg(output), "--stub", arg(stub)});
        return vornsfx(args);
    }
    Outcome build_bytes(const std::vector<std::string>& args, const Bytes& archive_bytes) {
        write_file(archive, archive_bytes);
        return build(args, archive);
    }
    // The refusal named the problem and left the output folder empty.
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

TEST_F(Build, EveryOptionValueReadsBackThroughTheStubReadersAndList) {
    const std::vector<std::string> words = {"off", "offered", "chosen", "offered,chosen"};
    const std::string emoji = "\xF0\x9F\x93\xA6";  // U+1F4E6: two UTF-16 units
    const Bytes original = read_file(corpus_file("lh5-l1.lzh"));
    for (size_t i = 0; i < words.size(); ++i) {
        SCOPED_TRACE(i);
        const std::string title = i == 0 ? "" : i == 1 ? std::string(255, 'T') : "セットアップ " + emoji;
        const std::string dest = i % 2 ? "Vorn\\Tools" : "D:\\Apps";
        const std::string base = i % 2 ? "program-files" : "cwd";
        const std::string start_menu = words[i], desktop = words[(i + 1) % 4],
                          send_to = words[(i + 2) % 4];
        // A repeated option takes its last value.
        Outcome run = build({"--title=first", "--desktop", "off", "--title", title, "--dest=" + dest, "--base", base,
                             "--shortcut-target", "bin\\kernel32.part", "--shortcut-name",
                             "カーネル", "--run-after", "readme.txt", "--start-menu", start_menu,
                             "--desktop", desktop, "--send-to", send_to},
                            corpus_file("lh5-l1.lzh"));
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "") << "both named files are members";

        // The stub's own block reader, at the stub's own offset.
        CWinFile file;
        ASSERT_TRUE(file.open(output.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
        ASSERT_EQ(file.seek(PAYLOAD_OFFSET, FILE_BEGIN), PAYLOAD_OFFSET);
        CConfigBlock block;
        ASSERT_TRUE(read_config_block(file, block));
        EXPECT_EQ(block.lead_byte, 1);
        EXPECT_EQ(units(block.title), utf8_to_utf16(title));
        EXPECT_EQ(block.base_selector, i % 2);
        EXPECT_EQ(units(block.destination), utf8_to_utf16(dest));
        EXPECT_EQ(units(block.shortcut_target), L"bin\\kernel32.part");
        EXPECT_EQ(units(block.shortcut_name), L"カーネル");
        EXPECT_EQ(units(block.run_after), L"readme.txt");
        EXPECT_EQ(block.start_menu_option, i);
        EXPECT_EQ(block.desktop_option, (i + 1) % 4);
        EXPECT_EQ(block.send_to_option, (i + 2) % 4);
        // The archive follows the block byte for byte.
        Bytes built = read_file(output);
        EXPECT_TRUE(Bytes(built.begin() + file.seek(0, FILE_CURRENT), built.end()) == original);

        // And list shows what was given, in the options' own words.
        Outcome list = vornsfx({"list", arg(output)});
        ASSERT_EQ(list.status, 0) << list.err;
        std::map<std::string, std::string> fields = listed_fields(list.out);
        EXPECT_EQ(fields["title"], "\"" + title + "\"" + (title.empty() ? " (shown: Vorn SFX)" : ""));
        EXPECT_EQ(fields["dest"], "\"" + (i % 2 ? std::string("Vorn\\\\Tools") : "D:\\\\Apps") + "\"");
        EXPECT_EQ(fields["shortcut-name"], "\"カーネル\"");
        const std::pair<const char*, std::string> words_shown[] = {
            {"base", base}, {"start-menu", start_menu}, {"desktop", desktop}, {"send-to", send_to}};
        for (const auto& [key, word] : words_shown)
            EXPECT_EQ(fields[key].substr(0, word.size() + 1), word + " ") << key;
    }
}

TEST_F(Build, TheArchiveFollowsTheBlockEndedByExactlyOneZeroByte) {
    const Bytes corpus = read_file(corpus_file("lh0-l0.lzh"));
    ASSERT_EQ(build_bytes({"--no-dialog"}, corpus).status, 0);
    Bytes built = read_file(output);
    ASSERT_EQ(built.size(), PAYLOAD_OFFSET + 1 + corpus.size());
    EXPECT_EQ(built[PAYLOAD_OFFSET], 0);  // the lead byte alone
    EXPECT_TRUE(Bytes(built.begin() + PAYLOAD_OFFSET + 1, built.end()) == corpus);
    Outcome list = vornsfx({"list", arg(output)});
    EXPECT_TRUE(list.says("lead byte        0x00")) << list.out;
    EXPECT_TRUE(list.says("archive at 0x16001")) << list.out;

    // Without its zero byte the archive gets one; bytes behind it are left out.
    Bytes members = archive_of({stored("a.txt", "alpha"), stored("b.txt", "beta", 0)}, false);
    Outcome unterminated = build_bytes({"--no-dialog"}, members);
    ASSERT_EQ(unterminated.status, 0);
    EXPECT_TRUE(unterminated.says("warning: " + arg(archive) + ": the archive ends without"));
    built = read_file(output);
    ASSERT_EQ(built.size(), PAYLOAD_OFFSET + 1 + members.size() + 1);
    EXPECT_EQ(built.back(), 0);
    EXPECT_EQ(vornsfx({"test", arg(output)}).status, 0);
    members.insert(members.end(), {0, 'J', 'U', 'N', 'K'});
    Outcome run = build_bytes({"--no-dialog"}, members);
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(read_file(output).size(), PAYLOAD_OFFSET + 1 + members.size() - 4);
    EXPECT_TRUE(run.says("4 bytes after")) << run.err;
}

TEST_F(Build, ASmallerStubIsPaddedAndARealOneKeptWhole) {
    Outcome run = build_bytes({"--run-after", "setup.exe"}, archive_of({stored("a.txt", "alpha")}));
    ASSERT_EQ(run.status, 0);
    EXPECT_TRUE(run.says("warning: --run-after: the archive has no member \"setup.exe\"")) << run.err;
    Bytes built = read_file(output);
    Bytes small = minimal_stub();
    EXPECT_TRUE(std::equal(small.begin(), small.end(), built.begin()));
    EXPECT_TRUE(std::all_of(built.begin() + small.size(), built.begin() + PAYLOAD_OFFSET,
                            [](uint8_t b) { return b == 0; }));

    if (!std::getenv("VORNSFX_STUB") || !exists(path_from_environment("VORNSFX_STUB")))
        GTEST_SKIP() << "no built stub";
    Bytes image = read_file(path_from_environment("VORNSFX_STUB"));
    ASSERT_EQ(image.size(), PAYLOAD_OFFSET);
    write_file(stub, image);
    ASSERT_EQ(build({}, archive).status, 0);
    built = read_file(output);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), built.begin()));
}

TEST_F(Build, RefusesTextsTheBlockCannotHold) {
    std::string kana_256, emoji_128;
    for (int i = 0; i < 256; ++i) kana_256 += "あ";
    for (int i = 0; i < 128; ++i) emoji_128 += "\xF0\x9F\x93\xA6";
    write_file(archive, archive_of({stored("a.txt", "alpha")}));
    expect_refused(build({"--title", kana_256}, archive), "--title: 256 UTF-16 units, the limit is 255");
    expect_refused(build({"--shortcut-name", emoji_128, "--shortcut-target", "a.txt"}, archive),
                   "--shortcut-name: 256 UTF-16 units");
    expect_refused(build({"--dest", std::string("C:\\A\0B", 6)}, archive),
                   "--dest: the text contains a NUL");
    expect_refused(build({"--run-after", "caf\xE9.exe"}, archive),
                   "--run-after: the text is not valid UTF-8");
}

TEST_F(Build, RefusesStubsThatAreNotAProgramOfTheRightSize) {
    write_file(archive, archive_of({stored("a.txt", "alpha")}));
    Bytes no_pe = minimal_stub(), far_pe = minimal_stub();
    no_pe[0x40] = 'X';
    far_pe[0x3C + 2] = 0x10;  // PE header offset beyond the file's end
    for (const Bytes& bad : {ascii("#!/bin/sh\necho not a program\n"), no_pe, far_pe}) {
        write_file(stub, bad);
        expect_refused(build({}, archive), "not a Windows program");
    }
    Bytes i386 = minimal_stub(), console = minimal_stub(), unmarked = minimal_stub();
    i386[0x44] = 0x4C;  // machine 0x14C
    i386[0x45] = 0x01;
    console[0x40 + 24 + 68] = 3;  // the console subsystem
    unmarked[0x200] = 'X';
    const std::pair<Bytes, const char*> not_ours[] = {
        {i386, "not a 64-bit (PE32+, x64)"},
        {console, "not a Windows GUI program"},
        {unmarked, "not the Vorn SFX stub"},
    };
    for (const auto& [bad, problem] : not_ours) {
        write_file(stub, bad);
        expect_refused(build({}, archive), problem);
    }
    write_file(stub, minimal_stub(PAYLOAD_OFFSET + 1));
    expect_refused(build({}, archive), "90113 bytes, the stub's image must fit in 90112 bytes");
    stub = dir / L"none.exe";
    expect_refused(build({}, archive), "none.exe");
}

TEST_F(Build, RefusesArchivesTheStubCouldNotExtractCompletely) {
    const Bytes good = stored("a.txt", "alpha");
    HeaderFields level3;
    level3.level = 3;
    level3.name = ascii("b.txt");
    HeaderFields rejected;  // level 0 with one byte after the CRC: a tail the stub rejects
    rejected.level = 0;
    rejected.name = ascii("c.txt");
    rejected.level0_extra = {0};
    HeaderFields unknown_method;
    unknown_method.method = "-lhx-";
    unknown_method.extensions.push_back(name_extension("d.txt"));
    HeaderFields huge;  // 2 GiB: beyond the signed sizes the stub keeps
    huge.original_size = 0x80000000u;
    huge.extensions.push_back(name_extension("e.txt"));
    HeaderFields past_end;
    past_end.packed_size = past_end.original_size = 100;
    past_end.extensions.push_back(name_extension("f.txt"));
    HeaderFields wrong_crc;
    wrong_crc.original_size = 5;
    wrong_crc.crc = 0x1234;
    const Bytes wrong_crc_member = member_with(wrong_crc, "g.txt", ascii("alpha"));
    // lh5-l2.lzh's last member, window-3x.bin, has 6833 bytes of -lh5- data
    // right before the archive's zero byte.
    Bytes damaged = read_file(corpus_file("lh5-l2.lzh"));
    for (size_t i = damaged.size() - 3000; i < damaged.size() - 2980; ++i) damaged[i] ^= 0x5A;
    Bytes cut = good;
    cut.resize(10);

    const std::pair<Bytes, const char*> refused[] = {
        {archive_of({good, header_bytes(level3)}), "member 2 (b.txt): header level 3"},
        {archive_of({good, header_bytes(rejected)}), "has a layout the stub rejects"},
        {archive_of({header_bytes(unknown_method)}), "method -lhx- is not one the stub decodes"},
        {archive_of({header_bytes(huge)}), "below 2 GiB"},
        {header_bytes(past_end), "runs 100 bytes past the end"},
        {archive_of({wrong_crc_member}), "member 1 (g.txt): decoded to CRC-16 0x"},
        {damaged, "member 18 (window-3x.bin): "},
        {Bytes{0}, "the archive has no members"},
        {cut, "cut short by the end of the file"},
        {minimal_stub(), "a Windows program, not an LHA archive"},
        {archive_of({good, stored("C:", "x")}), "member 2 (C:): the stub's path rules leave nothing"},
        {archive_of({good, stored("A.TXT", "x")}), "member 2 (A.TXT): the stub would write it over member 1 (a.txt)"},
        {archive_of({good, stored("a.txt/b", "x")}), "needs a folder where member 1 (a.txt) is a file"},
        {archive_of({stored("d/b", "x"), stored("D", "x")}), "is a file where member 1 (d/b) needs a folder"},
    };
    for (const auto& [bytes, problem] : refused) expect_refused(build_bytes({}, bytes), problem);

    // --no-verify skips the decoding only: the bad CRC passes, the unknown method not.
    EXPECT_EQ(build_bytes({"--no-verify"}, archive_of({wrong_crc_member})).status, 0);
    fs::remove(native(output));
    expect_refused(build_bytes({"--no-verify"}, archive_of({header_bytes(unknown_method)})),
                   "is not one the stub decodes");
}

TEST_F(Build, AFailedWriteLeavesTheOldOutputAndNoTemporaryFile) {
    write_file(output, ascii("old"));
    write_file(archive, archive_of({stored("a.txt", "alpha")}));
    static int writes;
    writes = 0;
    CWinFile::set_write_failure_hook([](const CWinFile&) { return ++writes == 2; });
    Outcome run = build({}, archive);
    CWinFile::set_write_failure_hook(nullptr);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.says("writing failed")) << run.err;
    EXPECT_TRUE(read_file(output) == ascii("old"));
    EXPECT_EQ(folder_entries(out_folder).size(), 1u);

    ASSERT_EQ(build({}, archive).status, 0);
    // Lead byte, five empty texts, base selector and three option bytes.
    constexpr size_t BLOCK_OF_DEFAULTS = 10;
    EXPECT_EQ(read_file(output).size(), PAYLOAD_OFFSET + BLOCK_OF_DEFAULTS + read_file(archive).size());
    EXPECT_EQ(folder_entries(out_folder).size(), 1u);

    // Messages name the output as given, never the temporary file.
    output = dir / L"missing" + TempDir::SEPARATOR + L"setup.exe";
    Outcome no_folder = build({}, archive);
    EXPECT_EQ(no_folder.status, 2);
    EXPECT_EQ(no_folder.err.find("vornsfx: " + arg(output) + ": cannot create"), 0u) << no_folder.err;
    EXPECT_EQ(no_folder.err.find(".tmp"), std::string::npos) << no_folder.err;
#ifndef _WIN32
    // The temporary name does not grow with the output's: the longest name
    // a folder entry may have still builds.
    constexpr size_t LONGEST_NAME = 255;
    output = out_folder + TempDir::SEPARATOR + std::wstring(LONGEST_NAME, L'n');
    EXPECT_EQ(build({}, archive).status, 0);
#endif
}

TEST_F(Build, NeverReplacesWhatItReadsNorAFolder) {
    const Bytes input = archive_of({stored("a.txt", "alpha")});
    write_file(archive, input);
    const std::wstring hard_link = dir / L"hard.lzh";
    fs::create_hard_link(native(archive), native(hard_link));
    for (const std::wstring& taken : {archive, hard_link, stub, out_folder}) {
        output = taken;
        Outcome run = build({}, archive);
        EXPECT_EQ(run.status, 2) << arg(taken);
        EXPECT_TRUE(run.says(taken == out_folder ? "a folder" : "the same file as")) << run.err;
    }
    EXPECT_TRUE(read_file(archive) == input);
    EXPECT_TRUE(read_file(stub) == minimal_stub());
#ifndef _WIN32
    // A symbolic link is written through and stays a link; a replaced file
    // keeps its permissions.
    const std::wstring target = out_folder + TempDir::SEPARATOR + L"target.exe";
    write_file(target, ascii("old"));
    fs::permissions(native(target), fs::perms::owner_all | fs::perms::group_read);
    output = out_folder + TempDir::SEPARATOR + L"link.exe";
    fs::create_symlink(native(target), native(output));
    ASSERT_EQ(build({"--no-dialog"}, archive).status, 0);
    EXPECT_TRUE(fs::is_symlink(native(output)));
    EXPECT_EQ(read_file(target).size(), PAYLOAD_OFFSET + 1 + input.size());
    EXPECT_EQ(fs::status(native(target)).permissions(), fs::perms::owner_all | fs::perms::group_read);
#endif
}

TEST_F(Build, StrictFailsOnAWarningAndNoClobberKeepsTheOutput) {
    const Bytes input = archive_of({stored("a.txt", "alpha")});
    write_file(archive, input);
    expect_refused(build({"--run-after", "b.txt", "--strict"}, archive),
                   "--run-after: the archive has no member");
    Bytes trailing = input;
    trailing.push_back('x');
    expect_refused(build_bytes({"--strict"}, trailing), "1 bytes after the archive");
    write_file(archive, input);
    write_file(output, ascii("old"));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"build", arg(archive), "-n", "-o", arg(output), "--stub", arg(stub)},
          {"pack", arg(archive), "--no-clobber", "-o", arg(output)}}) {
        Outcome run = vornsfx(args);
        EXPECT_EQ(run.status, 2) << args[0];
        EXPECT_TRUE(run.says("exists, and -n (--no-clobber) keeps it")) << run.err;
        EXPECT_TRUE(read_file(output) == ascii("old")) << args[0];
    }
    EXPECT_EQ(folder_entries(out_folder).size(), 1u);
}

#ifndef _WIN32
// POSIX names are bytes: one that is no UTF-8 reaches the file system as it
// was given; a packed name must have a Windows form, so such a one is refused.
TEST_F(Build, NamesThatAreNoUtf8ArePassedThroughAsBytes) {
    write_file(archive, archive_of({stored("a.txt", "alpha")}));
    const std::string folder = arg(out_folder) + "/", input = folder + "caf\xE9.lzh";
    fs::rename(native(archive), fs::path(input));
    Outcome run = vornsfx({"build", input, "-o", folder + "out\xE9.exe", "--stub", arg(stub)});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::exists(fs::path(folder + "out\xE9.exe")));
    EXPECT_EQ(folder_entries(out_folder).size(), 2u) << "no second, mangled name";

    const std::string tree = arg(dir / L"tree");
    fs::create_directories(fs::path(tree));
    std::FILE* bad = std::fopen((tree + "/bad\xFF.txt").c_str(), "wb");
    ASSERT_NE(bad, nullptr);
    std::fclose(bad);
    Outcome pack = vornsfx({"pack", tree, "-o", arg(dir / L"t.lzh")});
    EXPECT_EQ(pack.status, 2);
    EXPECT_TRUE(pack.says("not valid UTF-8")) << pack.err;
}

TEST(BuilderProcess, AFullStandardOutputFailsAndAnInterruptRemovesTheTemporaryFile) {
    TempDir dir;
    const std::wstring archive = dir / L"a.lzh";
    write_file(archive, archive_of({stored("a.txt", "alpha")}));
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

    const pid_t child = fork();
    if (child == 0) {
        OutputFile output(dir / L"setup.exe");
        std::raise(SIGTERM);
        _exit(0);
    }
    int child_status = 0;
    ASSERT_EQ(waitpid(child, &child_status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(child_status) && WTERMSIG(child_status) == SIGTERM);
    EXPECT_EQ(folder_entries(dir.path()), std::set<std::wstring>{L"a.lzh"});
}
#endif

TEST(BuildUsage, MistakesAreNamedWithStatus2AndHelpIsThere) {
    const std::pair<std::vector<std::string>, const char*> mistakes[] = {
        {{}, ""},
        {{"frobnicate"}, ""},
        {{"build", "a.lzh"}, "no output given"},
        {{"build", "a.lzh", "-o", "x.exe", "--desktop", "yes"}, "--desktop: 'yes' is not one of"},
        {{"build", "a.lzh", "-o", "x.exe", "--send-to", "offered"}, "--send-to needs --shortcut-target"},
        {{"build", "a.lzh", "-o", "x.exe", "--no-dialog", "--title", "T"}, "--title cannot be used with it"},
        {{"build", "a.lzh", "-o", "x.exe", "--base", "home"}, "--base: 'home' is not one of cwd"},
        {{"build", "a.lzh", "-o", "x.exe", "--start-menu", "offered,never"}, "'offered,never' is not one"},
        {{"build", "a.lzh", "-o"}, "-o: a value is missing"},
        {{"build", "a.lzh", "-o", "x.exe", "--strict=yes"}, "--strict takes no value"},
        {{"build", "a.lzh", "-o", "x.exe", "--method", "-lh9-"}, "--method: '-lh9-' is not one of"},
        {{"build", "-o", "x.exe"}, "no archive, file or folder given"},
        {{"pack", "t", "--effort=max", "-o", "x.lzh"}, "--effort: 'max' is not one of"},
        {{"pack", "t"}, "no output given (-o OUT.lzh)"},
        {{"pack", "-o", "x.lzh", "--title", "T"}, "unknown option --title"},
        {{"test", "--json", "a"}, "unknown option --json"},
        {{"list"}, "no file given"},
        {{"list", "--json", "a", "b"}, "takes one file"},
    };
    for (const auto& [args, message] : mistakes) {
        Outcome run = vornsfx(args);
        EXPECT_EQ(run.status, 2) << run.err;
        EXPECT_TRUE(run.says(message)) << run.err;
    }
    for (const char* command : {"build", "pack", "list", "test", "extract", "unwrap"}) {
        Outcome help = vornsfx({command, "--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.find(std::string("Usage: vornsfx ") + command), 0u) << help.out;
    }
    EXPECT_EQ(vornsfx({"--help"}).status, 0);
    Outcome version = vornsfx({"-V"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.find("vornsfx "), 0u) << version.out;
}
