// vornsfx extract and unwrap: the tree extract writes for every corpus
// archive is the one the independent decoder wrote; hostile names stay inside
// the folder; a damaged member stops the run and leaves nothing; unwrap gives
// back the archive build wrapped.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <set>

#include "builder_runner.h"
#include "support/corpus.h"
#include "support/header_writer.h"
#include "text/utf8.h"

namespace {

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

std::string extract_into(const std::wstring& file, const std::wstring& folder, int status) {
    Outcome run = vornsfx({"extract", arg(file), "-C", arg(folder)});
    EXPECT_EQ(run.status, status) << run.out << run.err;
    return run.out;
}

}  // namespace

TEST(Extract, EveryCorpusArchiveGivesTheIndependentDecodersTree) {
    const std::wstring corpus = path_from_environment("VORNSFX_CORPUS");
    for (const auto& members : read_corpus(corpus)) {
        SCOPED_TRACE(members.front().archive);
        TempDir out;
        extract_into(corpus_file(members.front().archive), out.path(), 0);
        std::set<std::string> expected;
        for (const CorpusMember& member : members) {
            for (size_t slash = member.name.find('/'); slash != std::string::npos;
                 slash = member.name.find('/', slash + 1))
                expected.insert(member.name.substr(0, slash + 1));
            expected.insert(member.name);
            if (member.folder()) continue;
            EXPECT_TRUE(read_file(out / utf8_to_utf16(member.name)) ==
                        read_file(corpus + L"/" + utf8_to_utf16(member.expected)))
                << member.name;
        }
        EXPECT_EQ(tree(out.path()), expected);
    }
}

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
    std::string out = extract_into(dir / L"a.lzh", inside, 1);
    EXPECT_EQ(folder_entries(dir.path()), (std::set<std::wstring>{L"a.lzh", L"out"}));
    EXPECT_EQ(tree(dir / L"out"),
              (std::set<std::string>{"in/", "in/evil.txt", "in/win.txt", "in/abs/", "in/abs/x.txt",
                                     "in/a/", "in/a/t.txt"}))
        << out;
    struct stat status;  // the temporary folder's name is ASCII on every system
    ASSERT_EQ(stat(utf16_to_utf8(inside + L"/a/t.txt").c_str(), &status), 0);
    EXPECT_EQ(status.st_mtime, TIME);
}

TEST(Unwrap, GivesBackTheWrappedArchiveAndNeverOverwritesItsInput) {
    TempDir dir;
    write_file(dir / L"stub.exe", minimal_stub());
    const std::wstring archive = corpus_file("lh5-l2.lzh"), exe = dir / L"s.exe";
    ASSERT_EQ(vornsfx({"build", arg(archive), "-o", arg(exe), "--stub", arg(dir / L"stub.exe")}).status, 0);
    ASSERT_EQ(vornsfx({"unwrap", arg(exe), "-o", arg(dir / L"back.lzh")}).status, 0);
    EXPECT_TRUE(read_file(dir / L"back.lzh") == read_file(archive));
    EXPECT_EQ(vornsfx({"unwrap", arg(exe), "-o", arg(exe)}).status, 2);
    EXPECT_EQ(vornsfx({"unwrap", arg(archive), "-o", arg(dir / L"x.lzh")}).status, 2);
    EXPECT_TRUE(read_file(dir / L"back.lzh") == read_file(archive));
}
