// vornsfx build: what it writes is read back identically by the stub's own
// readers, and every archive or setting the stub could not use is refused
// without leaving a file behind.
#include <gtest/gtest.h>

#include <functional>
#include <regex>

#include "Sfx/config.h"
#include "builder_runner.h"

namespace {

// The value of a "  key   value" line of a listing's configuration block.
std::string listed_field(const std::string& listing, const std::string& key) {
    std::smatch found;
    std::regex_search(listing, found, std::regex("\n  " + key + " +([^\n]*)"));
    return found[1];
}

Bytes stored(const std::string& name, const std::string& text, int level = 2) {
    return stored_member(level, name, ascii(text));
}

Bytes stub_with(size_t at, uint8_t value) {
    Bytes stub = minimal_stub();
    stub[at] = value;
    return stub;
}

}  // namespace

// list reads the block with the stub's own reader and shows every field.
TEST_F(Builder, EveryOptionValueReadsBackThroughTheStubReaderInList) {
    const std::vector<std::string> words = {"off", "offered", "chosen", "offered,chosen"};
    for (size_t i = 0; i < words.size(); ++i) {
        SCOPED_TRACE(i);
        const std::string title = i == 0 ? "" : i == 1 ? std::string(255, 'T') : "セットアップ \xF0\x9F\x93\xA6";  // U+1F4E6: two units
        const std::string dest = i % 2 ? "Vorn\\Tools" : "D:\\Apps";
        const std::string shown_dest = i % 2 ? "\"Vorn\\\\Tools\"" : "\"D:\\\\Apps\"";  // list escapes each backslash
        const std::string base = i % 2 ? "program-files" : "cwd";
        // A repeated option takes its last value.
        Outcome run = build({"--title=first", "--desktop", "chosen,offered,chosen", "--title", title, "--dest=" + dest, "--base", base,
                             "--shortcut-target", "bin\\kernel32.part", "--shortcut-name",
                             "カーネル", "--run-after", "readme.txt", "--start-menu", words[i],
                             "--desktop", words[(i + 1) % 4], "--send-to", words[(i + 2) % 4]},
                            corpus_file("lh5-l1.lzh"));
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "") << "both named files are members";

        Outcome list = vornsfx({"list", arg(output)});
        ASSERT_EQ(list.status, 0) << list.err;
        const std::pair<const char*, std::string> shown[] = {
            {"lead byte", "0x01 "}, {"title", "\"" + title + "\"" + (title.empty() ? " (shown: Vorn SFX)" : "")},
            {"base", base + " (0x0" + std::to_string(i % 2) + ")"}, {"dest", shown_dest},
            {"shortcut-target", "\"bin\\\\kernel32.part\""}, {"shortcut-name", "\"カーネル\""},
            {"run-after", "\"readme.txt\""}, {"start-menu", words[i] + " "},
            {"desktop", words[(i + 1) % 4] + " "}, {"send-to", words[(i + 2) % 4] + " "}};
        for (const auto& [key, value] : shown)
            EXPECT_EQ(listed_field(list.out, key).substr(0, value.size()), value) << key;
    }
}

TEST_F(Builder, AnArchiveWithoutItsZeroByteGetsOneAndBytesBehindItAreLeftOut) {
    const Bytes members = archive_of({stored("a.txt", "alpha"), stored("b.txt", "beta", 0)}, false);
    const Bytes built = concat({minimal_stub(PAYLOAD_OFFSET), {0}, members, {0}});
    Outcome run = build_bytes({"--no-dialog"}, members);
    EXPECT_TRUE(run.says("warning: " + arg(archive) + ": the archive ends without")) << run.err;
    EXPECT_TRUE(read_file(output) == built);
    run = build_bytes({"--no-dialog"}, concat({members, {0}, ascii("JUNK")}));
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.says("4 bytes after")) << run.err;
    EXPECT_TRUE(read_file(output) == built);
}

TEST_F(Builder, RefusesTextsAndStubsTheStubCouldNotUse) {
    std::string kana_256, emoji_128;
    for (int i = 0; i < 256; ++i) kana_256 += "あ";
    for (int i = 0; i < 128; ++i) emoji_128 += "\xF0\x9F\x93\xA6";
    const Bytes input = archive_of({stored("a.txt", "alpha")});
    struct Refusal {
        std::vector<std::string> options;
        Bytes stub;
        std::string problem;
    };
    const Refusal refusals[] = {
        {{"--title", kana_256}, minimal_stub(), "--title: 256 UTF-16 units, the limit is 255"},
        {{"--shortcut-name", emoji_128, "--shortcut-target", "a.txt"}, minimal_stub(),
         "--shortcut-name: 256 UTF-16 units"},
        {{"--dest", std::string("C:\\A\0B", 6)}, minimal_stub(), "--dest: the text contains a NUL"},
        {{"--run-after", "caf\xE9.exe"}, minimal_stub(), "--run-after: the text is not valid UTF-8"},
        {{"--run-after", "B.txt", "--strict"}, minimal_stub(), "--run-after: the archive has no member"},
        {{}, ascii("#!/bin/sh\necho not a program\n"), "not a Windows program"},
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
    // A PE header that ends where the payload begins is whole.
    write_file(stub, minimal_stub(PAYLOAD_OFFSET, PAYLOAD_OFFSET - PE_HEADER_SIZE));
    EXPECT_EQ(build_bytes({}, input).status, 0);
}

// What build refuses in an archive, test reports as a failed member or a
// header it stops at, with status 1.
TEST_F(Builder, DamagedArchivesAreRefusedByBuildAndFailTheirTest) {
    const Bytes good = stored("a.txt", "alpha");
    auto header = [](const std::function<void(HeaderFields&)>& change) {
        HeaderFields fields;
        fields.extensions.push_back(name_extension("b.txt"));
        change(fields);
        return header_bytes(fields);
    };
    Bytes wrong_crc_member = stored("b.txt", "alpha");
    wrong_crc_member.back() ^= 1;
    // lh5-l2.lzh's last member, window-3x.bin, has 6833 bytes of -lh5- data
    // right before the archive's zero byte.
    Bytes damaged = read_file(corpus_file("lh5-l2.lzh"));
    for (size_t i = damaged.size() - 3000; i < damaged.size() - 2980; ++i) damaged[i] ^= 0x5A;
    const Bytes two = archive_of({good, stored("b.txt", "beta")});
    const std::string nothing_behind = "; nothing behind it is extracted\n";
    struct Damage {
        Bytes archive;
        std::string refused;
        std::string failed;  // empty: test passes it
    };
    const Damage damages[] = {
        {archive_of({good, header([](HeaderFields& f) { f.level = 3; })}), "member 2 (b.txt): header level 3",
         "FAILED    b.txt: header level 3"},
        // Level 0 with one byte after the CRC: a tail the stub rejects.
        {archive_of({good, header([](HeaderFields& f) {
             f.level = 0;
             f.name = ascii("c.txt");
             f.level0_extra = {0};
         })}),
         "the header at offset 0x27 has a layout the stub rejects",
         nothing_behind + "the member passed"},
        {archive_of({header([](HeaderFields& f) { f.method = "-lhx-"; })}),
         "member 1 (b.txt): method -lhx- is not one the stub decodes", "FAILED    b.txt: method -lhx-"},
        {archive_of({header([](HeaderFields& f) { f.original_size = 0x80000000u; })}), "below 2 GiB",
         "FAILED    b.txt: too large"},
        {header([](HeaderFields& f) { f.packed_size = f.original_size = 100; }), "runs 100 bytes past the end",
         "FAILED    b.txt: its data runs 100 bytes past the end"},
        {archive_of({wrong_crc_member}), "member 1 (b.txt): decoded to CRC-16 0x", "FAILED    b.txt: CRC-16 0x"},
        {damaged, "member 18 (window-3x.bin): ", "1 of 18 members failed"},
        {Bytes{0}, "the archive has no members", "the archive has no members"},
        {Bytes(good.begin(), good.begin() + 10), "at offset 0x0 is cut short by the end of the file",
         nothing_behind + "the archive has no members"},
        {Bytes(two.begin(), two.begin() + good.size() + 10), "at offset 0x27 is cut short",
         nothing_behind + "the member passed"},
        {Bytes(two.begin(), two.end() - 2), "member 2 (b.txt): its data runs 1 bytes past",
         "ok        a.txt\nFAILED    b.txt: its data runs 1 bytes past the end of the file\n1 of 2 members failed"},
        {minimal_stub(), "a Windows program, not an LHA archive", "not a self-extracting file"},
        {archive_of({good, stored("C:", "x")}), "member 2 (C:): the stub's path rules leave nothing", ""},
        {archive_of({good, stored("", "x")}), "it has no name, so the stub could not create its file", ""},
        {archive_of({good, stored("A.TXT", "x")}), "member 2 (A.TXT): the stub would write it over member 1", ""},
        {archive_of({good, stored("a.txt/b", "x")}), "needs a folder where member 1 (a.txt) is a file", ""},
        {archive_of({stored("d/b", "x"), stored("D", "x")}), "is a file where member 1 (d/b) needs a folder", ""},
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
    EXPECT_EQ(build_bytes({"--no-verify"}, archive_of({wrong_crc_member})).status, 0);
}

// The output is written beside and renamed into place: a failure leaves the
// old file, and no file the build reads, nor a folder, is ever replaced.
TEST_F(Builder, NeverLeavesAHalfWrittenOutputNorReplacesItsInputs) {
    const Bytes input = archive_of({stored("a.txt", "alpha")});
    write_file(archive, input);
    write_file(output, ascii("old"));
    static int writes;
    writes = 0;
    CWinFile::set_write_failure_hook([](const CWinFile&) { return ++writes == 2; });
    Outcome run = build({}, archive);
    CWinFile::set_write_failure_hook(nullptr);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.says("writing failed")) << run.err;
    const std::vector<std::string> no_clobber[] = {
        {"build", arg(archive), "-n", "-o", arg(output), "--stub", arg(stub)},
        {"pack", arg(archive), "--no-clobber", "-o", arg(output)}};
    for (const std::vector<std::string>& args : no_clobber)
        EXPECT_TRUE(vornsfx(args).says("exists, and -n (--no-clobber) keeps it")) << args[0];
    EXPECT_TRUE(read_file(output) == ascii("old"));
    EXPECT_EQ(folder_entries(out_folder).size(), 1u) << "no temporary file left";

    const std::wstring hard_link = dir / L"hard.lzh";
    fs::create_hard_link(native(archive), native(hard_link));
    for (const std::wstring& taken : {archive, hard_link, stub, out_folder}) {
        output = taken;
        EXPECT_TRUE(build({}, archive).says(taken == out_folder ? "a folder" : "the same file as")) << arg(taken);
    }
    EXPECT_TRUE(read_file(archive) == input);
    EXPECT_TRUE(read_file(stub) == minimal_stub());
}

TEST(BuildUsage, MistakesAreNamedWithStatus2) {
    const std::pair<std::vector<std::string>, const char*> mistakes[] = {
        {{}, ""},
        {{"frobnicate"}, ""},
        {{"build", "a.lzh"}, "no output given"},
        {{"build", "a.lzh", "-o", "x.exe", "--desktop", "yes"}, "--desktop: 'yes' is not one of"},
        {{"build", "a.lzh", "-o", "x.exe", "--send-to", "offered"}, "--send-to needs --shortcut-target"},
        {{"build", "a.lzh", "-o", "x.exe", "--no-dialog", "--title", "T"}, "--title cannot be used with it"},
        {{"build", "a.lzh", "-o", "x.exe", "--start-menu", "offered,never"}, "'offered,never' is not one"},
        {{"build", "a.lzh", "-o"}, "-o: a value is missing"},
        {{"build", "a.lzh", "-o", "x.exe", "--strict=yes"}, "--strict takes no value"},
        {{"build", "-o", "x.exe"}, "no archive, file or folder given"},
        {{"pack", "t", "--effort=max", "-o", "x.lzh"}, "--effort: 'max' is not one of"},
        {{"pack", "t"}, "no output given (-o OUT.lzh)"},
        {{"pack", "", "-o", "x.lzh"}, ": names no file or folder to store"},
        {{"pack", "none/", "-o", "x.lzh"}, "none/: no such file or folder"},
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
}
