// The extraction run end to end: extraction_worker on its own thread, real
// folders, a window of the test's own that records what the worker tells it.
#include "Sfx/worker.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>

#include "Sfx/messages.h"
#include "Sfx/report.h"
#include "Sfx/window_messages.h"
#include "support/block_writer.h"
#include "support/engine_runner.h"
#include "support/files.h"
#include "support/header_writer.h"
#include "support/hostile_archive.h"
#include "support/message_recorder.h"
#include "support/system_text_win32.h"
#include "support/tree_win32.h"
#include "support/worker_run_win32.h"
#include "text/utf8.h"
#include "text/win_file.h"

namespace {

// The corpus was stamped 2021-06-15 12:34:56 UTC; levels 0 and 1 hold that
// as an MS-DOS time, which the extraction reads as local time.
constexpr int64_t CORPUS_STAMP = 1623760496;
constexpr char TIME_ZONE[] = "JST-9";
constexpr int64_t TIME_ZONE_OFFSET = -9 * 3600;  // seconds to add to JST for UTC

constexpr int LH5_POSITION_SYMBOLS = 14;
constexpr int LONGEST_MATCH_CODE = 256 + 253;  // a match of 256 bytes
constexpr uint32_t BIG_MEMBER = 1u << 20;
// A worker that loops over one header never ends; it needs no long wait.
constexpr UINT PACKED_SIZE_TIME_LIMIT_MS = 10000;

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes text_bytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// A level-2 member whose data is given as stored in the archive.
Bytes member(const std::string& name, const std::string& method, const Bytes& packed,
             uint32_t original_size, uint16_t crc) {
    HeaderFields f;
    f.level = 2;
    f.method = method;
    f.packed_size = static_cast<uint32_t>(packed.size());
    f.original_size = original_size;
    f.crc = crc;
    f.extensions = {name_extension(name)};
    return concat({header_bytes(f), packed});
}

Bytes stored(const std::string& name, const Bytes& data) {
    return member(name, "-lh0-", data, static_cast<uint32_t>(data.size()), reference_crc16(data));
}

// size bytes of spaces as -lh5-: one block of constant 256-byte matches at
// distance 1, which cost no bits at all.
Bytes compressed_spaces(const std::string& name, uint32_t size) {
    BlockWriter writer(LH5_POSITION_SYMBOLS);
    writer.block(static_cast<uint16_t>(size / 256), Lengths(), Lengths(), Lengths(),
                 LONGEST_MATCH_CODE, 0);
    return member(name, "-lh5-", writer.bytes(), size, reference_crc16(Bytes(size, ' ')));
}

// A test folder: the archive beside a destination folder.
struct RunFolder {
    TempDir root;
    std::wstring archive = root / L"archive.lzh";
    std::wstring destination = root / L"dest";
    explicit RunFolder(const Bytes& archive_bytes) {
        write_file(archive, archive_bytes);
        make_folder(destination);
    }
    WorkerRecord run(WorkerRun& worker) { return worker.run(archive, destination); }
    Tree tree() const { return list_tree(destination); }
};

// Sets the time zone for the life of the object, as the user's system would.
class TimeZone {
public:
    explicit TimeZone(const char* zone) {
        const char* old = std::getenv("TZ");
        previous_ = old ? old : "";
        _putenv_s("TZ", zone);
    }
    ~TimeZone() { _putenv_s("TZ", previous_.c_str()); }

private:
    std::string previous_;
};

// ---- the committed interop corpus ---------------------------------------

struct ManifestEntry {
    std::string archive;
    int level = 0;
    std::string expected;  // "-" for a folder
    std::string name;
};

std::vector<ManifestEntry> read_manifest(const std::wstring& folder) {
    Bytes bytes = read_file(folder + L"\\manifest.tsv");
    std::stringstream text(std::string(bytes.begin(), bytes.end()));
    std::vector<ManifestEntry> entries;
    std::string line;
    while (std::getline(text, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> f;
        std::stringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
        if (f.size() < 7) continue;
        entries.push_back({f[0], std::stoi(f[3]), f[5], f[6]});
    }
    return entries;
}

std::wstring slashes(std::wstring path) {
    for (wchar_t& c : path)
        if (c == L'\\') c = L'/';
    return path;
}

// The tree the independent extractor made, with the folder members (whose
// empty folders the corpus cannot hold) and the times the headers carry.
Tree expected_tree(const std::wstring& corpus, const std::vector<ManifestEntry>& entries) {
    std::wstring stem = utf8_to_utf16(entries.front().archive);
    stem.erase(stem.rfind(L'.'));
    Tree tree = list_tree(corpus + L"\\expected\\" + stem);
    const int64_t stamp =
        entries.front().level == 2 ? CORPUS_STAMP : CORPUS_STAMP + TIME_ZONE_OFFSET;
    for (auto& [path, entry] : tree) entry.mtime = stamp;
    for (const ManifestEntry& e : entries) {
        if (e.expected != "-") continue;
        std::wstring folder = utf8_to_utf16(e.name);
        if (!folder.empty() && folder.back() == L'/') folder.pop_back();
        tree[folder].folder = true;
    }
    return tree;
}

void expect_same_tree(const Tree& actual, const Tree& expected, bool check_times) {
    EXPECT_EQ(describe(actual), describe(expected));
    for (const auto& [path, entry] : expected) {
        auto found = actual.find(path);
        if (found == actual.end() || entry.folder) continue;
        EXPECT_TRUE(found->second.content == entry.content) << utf16_to_utf8(path);
        if (check_times) {
            EXPECT_EQ(found->second.mtime, entry.mtime) << utf16_to_utf8(path);
        }
    }
}

// ---- helpers for the hostile names --------------------------------------

Tree hostile_tree(const std::vector<HostileName>& names) {
    Tree tree;
    for (const HostileName& name : names) {
        if (name.written.empty()) continue;
        for (size_t cut = name.written.find(L'/'); cut != std::wstring::npos;
             cut = name.written.find(L'/', cut + 1))
            tree[name.written.substr(0, cut)].folder = true;
        TreeEntry& entry = tree[name.written];
        entry.folder = name.folder();
        if (!name.folder()) entry.content = hostile_content(name);
    }
    return tree;
}

}  // namespace

TEST(Worker, TheWholeCorpusExtractsLikeTheIndependentExtractor) {
    TimeZone japan(TIME_ZONE);
    std::wstring corpus = path_from_environment("VORNSFX_CORPUS");
    std::vector<ManifestEntry> entries = read_manifest(corpus);
    ASSERT_FALSE(entries.empty());
    MessageRecorder recorder;
    WorkerRun worker;
    int archives = 0, members = 0, files = 0;
    for (size_t first = 0; first < entries.size();) {
        size_t last = first;
        while (last < entries.size() && entries[last].archive == entries[first].archive) ++last;
        std::vector<ManifestEntry> group(entries.begin() + first, entries.begin() + last);
        first = last;
        SCOPED_TRACE(group.front().archive);

        TempDir destination;
        std::wstring archive = corpus + L"\\" + utf8_to_utf16(group.front().archive);
        WorkerRecord record = worker.run(archive, destination.path());
        EXPECT_EQ(record.final_message, WM_SFX_DONE);
        EXPECT_EQ(record.final_messages, 1);
        EXPECT_FALSE(record.failed);
        // Every member's stored name was shown, in order, and announced to the shell.
        std::vector<std::wstring> names, notices;
        for (const ManifestEntry& e : group) {
            std::wstring name = utf8_to_utf16(e.name);
            names.push_back(name);
            if (name.back() == L'/') name.pop_back();
            notices.push_back(shell_path(destination.path(), name));
        }
        std::vector<std::wstring> shown;
        for (const std::wstring& s : record.shown) shown.push_back(slashes(s));
        EXPECT_EQ(shown, names);
        EXPECT_EQ(record.notified, notices);

        Tree expected = expected_tree(corpus, group);
        expect_same_tree(list_tree(destination.path()), expected, true);
        ++archives;
        members += static_cast<int>(group.size());
        for (const auto& [path, entry] : expected) files += entry.folder ? 0 : 1;
    }
    EXPECT_TRUE(recorder.messages().empty());
    std::printf("corpus through the worker: %d archives, %d members, %d files identical\n",
                archives, members, files);
}

TEST(Worker, HostileNamesNeverLeaveTheDestination) {
    MessageRecorder recorder;
    WorkerRun worker;
    int tried = 0;
    for (NameStyle style : ALL_NAME_STYLES) {
        SCOPED_TRACE(style_name(style));
        // The destination lies three folders deep: every way up leads into root.
        TempDir root;
        std::wstring destination = root / L"l1\\l2\\dest";
        make_folder(destination);
        std::vector<HostileName> names = hostile_names(root.path());
        std::wstring archive = root / L"hostile.lzh";
        write_file(archive, hostile_archive(names, style));

        WorkerRecord record = worker.run(archive, destination);
        EXPECT_EQ(record.final_message, WM_SFX_DONE);
        EXPECT_FALSE(record.failed);
        EXPECT_EQ(record.shown.size(), names.size());
        // The shell hears of the paths that were written.
        std::vector<std::wstring> notices;
        for (const HostileName& name : names)
            notices.push_back(name.written.empty() ? destination
                                                   : shell_path(destination, name.written));
        EXPECT_EQ(record.notified, notices);
        expect_same_tree(list_tree(destination), hostile_tree(names), false);
        // Nothing anywhere else under root but the archive and the way down.
        std::set<std::wstring> elsewhere;
        for (const auto& [path, entry] : list_tree(root.path()))
            if (path.rfind(L"l1/l2/dest/", 0) != 0) elsewhere.insert(path);
        EXPECT_EQ(elsewhere,
                  (std::set<std::wstring>{L"hostile.lzh", L"l1", L"l1/l2", L"l1/l2/dest"}));
        tried += static_cast<int>(names.size());
    }
    EXPECT_TRUE(recorder.messages().empty());
    std::printf("hostile names: %d members in %zu header styles\n", tried,
                sizeof ALL_NAME_STYLES / sizeof ALL_NAME_STYLES[0]);
}

TEST(Worker, AnEmptyArchiveAndOneWithoutItsZeroByteEndCleanly) {
    MessageRecorder recorder;
    WorkerRun worker;
    RunFolder empty(Bytes{0});
    WorkerRecord record = empty.run(worker);
    EXPECT_EQ(record.final_message, WM_SFX_DONE);
    EXPECT_FALSE(record.failed);
    EXPECT_TRUE(record.shown.empty());
    EXPECT_EQ(record.bar_moves, 0);
    EXPECT_TRUE(empty.tree().empty());

    // The file ends exactly where the next header would begin.
    RunFolder unterminated(stored("only.txt", text_bytes("only")));
    record = unterminated.run(worker);
    EXPECT_EQ(record.final_message, WM_SFX_DONE);
    EXPECT_FALSE(record.failed);
    EXPECT_EQ(unterminated.tree().count(L"only.txt"), 1u);
    EXPECT_TRUE(recorder.messages().empty());
}

TEST(Worker, ABrokenHeaderIsNoSuccess) {
    Bytes good = stored("first.txt", text_bytes("first"));
    Bytes cut = stored("second.txt", text_bytes("second"));
    cut.resize(10);  // the file ends inside the header: nothing may follow it
    HeaderFields unknown_layout;
    unknown_layout.level = 0;
    unknown_layout.name = ascii("x");
    unknown_layout.with_crc = false;
    unknown_layout.level0_extra = Bytes{1};  // header length minus name length is 21

    Bytes after = stored("after.txt", text_bytes("after"));
    for (const Bytes& rest : {cut, concat({header_bytes(unknown_layout), after, Bytes{0}})}) {
        MessageRecorder recorder;
        WorkerRun worker;
        RunFolder setup(concat({good, rest}));
        WorkerRecord record = setup.run(worker);
        EXPECT_EQ(record.final_message, WM_SFX_DONE);
        EXPECT_TRUE(record.failed);
        EXPECT_EQ(record.shown, std::vector<std::wstring>{L"first.txt"});
        auto messages = recorder.messages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, L"Unknown header");
        EXPECT_EQ(messages[0].owner, worker.window());
        EXPECT_EQ(setup.tree().count(L"first.txt"), 1u);
        EXPECT_EQ(setup.tree().count(L"after.txt"), 0u);
    }
}

TEST(Worker, AMemberOfAnUnknownMethodIsSkippedButShownAndAnnounced) {
    MessageRecorder recorder;
    WorkerRun worker;
    Bytes data = text_bytes("whatever -lhx- might mean");
    RunFolder setup(concat({member("skip.bin", "-lhx-", data, 100, 0),
                            stored("after.txt", text_bytes("after")), Bytes{0}}));
    WorkerRecord record = setup.run(worker);
    EXPECT_EQ(record.final_message, WM_SFX_DONE);
    EXPECT_FALSE(record.failed);
    EXPECT_EQ(record.shown, (std::vector<std::wstring>{L"skip.bin", L"after.txt"}));
    EXPECT_EQ(record.notified,
              (std::vector<std::wstring>{shell_path(setup.destination, L"skip.bin"),
                                         shell_path(setup.destination, L"after.txt")}));
    Tree tree = setup.tree();
    EXPECT_EQ(tree.count(L"skip.bin"), 0u);
    ASSERT_EQ(tree.count(L"after.txt"), 1u);
    EXPECT_TRUE(tree[L"after.txt"].content == text_bytes("after"));
    EXPECT_TRUE(recorder.messages().empty());
}

TEST(Worker, PackedSizesAreUnsignedUpTo4GiB) {
    // Read as a signed number this size would lead 16 bytes back, into the
    // member's own header, over and over; unsigned it leads past the end.
    MessageRecorder recorder;
    WorkerRun worker;
    worker.set_time_limit(PACKED_SIZE_TIME_LIMIT_MS);
    HeaderFields f;
    f.method = "-lhx-";
    f.extensions = {name_extension("huge.bin")};
    Bytes header = header_bytes(f);
    f.packed_size = 0u - static_cast<uint32_t>(header.size());
    RunFolder setup(concat({header_bytes(f), Bytes(16, 'x'), Bytes{0}}));
    WorkerRecord record = setup.run(worker);
    EXPECT_EQ(record.final_message, WM_SFX_DONE);
    EXPECT_FALSE(record.failed);
    EXPECT_EQ(record.shown, std::vector<std::wstring>{L"huge.bin"});
}

TEST(Worker, ACrcMismatchKeepsTheFileAndStopsTheRun) {
    MessageRecorder recorder;
    WorkerRun worker;
    Bytes data = text_bytes("these bytes are not what the header promised");
    const uint16_t wrong_crc = static_cast<uint16_t>(reference_crc16(data) ^ 1);
    const uint32_t size = static_cast<uint32_t>(data.size());
    RunFolder setup(concat({stored("good.txt", text_bytes("good")),
                            member("bad.txt", "-lh0-", data, size, wrong_crc),
                            stored("later.txt", text_bytes("later")), Bytes{0}}));
    WorkerRecord record = setup.run(worker);
    EXPECT_EQ(record.final_message, WM_SFX_DONE);
    EXPECT_TRUE(record.failed);
    EXPECT_EQ(record.shown, (std::vector<std::wstring>{L"good.txt", L"bad.txt"}));
    Tree tree = setup.tree();
    ASSERT_EQ(tree.count(L"bad.txt"), 1u);
    EXPECT_TRUE(tree[L"bad.txt"].content == data);
    EXPECT_EQ(tree.count(L"later.txt"), 0u);
    auto messages = recorder.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, L"ファイル bad.txt が壊れています。");
    EXPECT_EQ(messages[0].owner, worker.window());
    EXPECT_FALSE(messages[0].has_caption);
    EXPECT_EQ(messages[0].type, static_cast<uint32_t>(MB_ICONWARNING));
}

TEST(Worker, AnExistingFileIsReplaced) {
    MessageRecorder recorder;
    WorkerRun worker;
    RunFolder setup(concat({stored("same.txt", text_bytes("new")), Bytes{0}}));
    write_file(setup.destination + L"\\same.txt", Bytes(5000, 'o'));
    WorkerRecord record = setup.run(worker);
    EXPECT_FALSE(record.failed);
    EXPECT_TRUE(setup.tree()[L"same.txt"].content == text_bytes("new"));
    EXPECT_TRUE(recorder.messages().empty());
}

namespace {

// A file the extraction cannot replace stops the run with the system's text.
void expect_blocked_by(const RunFolder& setup, const WorkerRecord& record,
                       const MessageRecorder& recorder, const Bytes& old_content, DWORD reason) {
    EXPECT_EQ(record.final_message, WM_SFX_DONE);
    EXPECT_TRUE(record.failed);
    Tree tree = setup.tree();
    EXPECT_TRUE(tree[L"blocked.txt"].content == old_content);
    EXPECT_EQ(tree.count(L"later.txt"), 0u);
    auto messages = recorder.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].owner, nullptr);
    EXPECT_FALSE(messages[0].has_caption);
    EXPECT_EQ(messages[0].type, static_cast<uint32_t>(MB_ICONWARNING));
    EXPECT_EQ(messages[0].text, system_text(reason));
}

Bytes blocked_archive() {
    return concat({stored("blocked.txt", text_bytes("new")),
                   stored("later.txt", text_bytes("later")), Bytes{0}});
}

}  // namespace

TEST(Worker, AReadOnlyFileInTheWayStopsTheRun) {
    MessageRecorder recorder;
    WorkerRun worker;
    RunFolder setup(blocked_archive());
    std::wstring blocked = setup.destination + L"\\blocked.txt";
    Bytes old_content = text_bytes("old");
    write_file(blocked, old_content);
    ASSERT_TRUE(SetFileAttributesW(blocked.c_str(), FILE_ATTRIBUTE_READONLY));
    HANDLE probe =
        CreateFileW(blocked.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        SetFileAttributesW(blocked.c_str(), FILE_ATTRIBUTE_NORMAL);
        GTEST_SKIP() << "this system lets read-only files be written (Wine run as root)";
    }
    WorkerRecord record = setup.run(worker);
    expect_blocked_by(setup, record, recorder, old_content, ERROR_ACCESS_DENIED);
    SetFileAttributesW(blocked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Worker, AFileInUseInTheWayStopsTheRun) {
    MessageRecorder recorder;
    WorkerRun worker;
    RunFolder setup(blocked_archive());
    std::wstring blocked = setup.destination + L"\\blocked.txt";
    Bytes old_content = text_bytes("old");
    write_file(blocked, old_content);
    // Held open without sharing: it can be neither deleted nor created anew.
    HANDLE holder =
        CreateFileW(blocked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    WorkerRecord record = setup.run(worker);
    CloseHandle(holder);
    expect_blocked_by(setup, record, recorder, old_content, ERROR_SHARING_VIOLATION);
}

TEST(Worker, AFolderInTheWayIsOneWarningAndStopsTheRun) {
    MessageRecorder recorder;
    WorkerRun worker;
    // The folder member finds its folder there, which is fine; the file does not.
    RunFolder setup(concat({member("clash.txt/", "-lhd-", Bytes(), 0, 0),
                            stored("clash.txt", text_bytes("file")),
                            stored("later.txt", text_bytes("later")), Bytes{0}}));
    make_folder(setup.destination + L"\\clash.txt\\inside");
    WorkerRecord record = setup.run(worker);
    EXPECT_EQ(record.final_message, WM_SFX_DONE);
    EXPECT_TRUE(record.failed);
    Tree tree = setup.tree();
    EXPECT_TRUE(tree[L"clash.txt"].folder);
    EXPECT_EQ(tree.count(L"clash.txt/inside"), 1u);
    EXPECT_EQ(tree.count(L"later.txt"), 0u);
    auto messages = recorder.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, L"clash.txt を解凍できません。同名のフォルダが存在します。");
    EXPECT_EQ(messages[0].owner, worker.window());
    EXPECT_FALSE(messages[0].has_caption);
    EXPECT_EQ(messages[0].type, static_cast<uint32_t>(MB_ICONWARNING));
}

TEST(Worker, AbortDuringAStoredOrACompressedMemberDeletesThePartialFile) {
    Bytes big(BIG_MEMBER, 'b');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
    struct Case {
        const char* name;
        Bytes member;
    } cases[] = {{"stored.bin", stored("stored.bin", big)},
                 {"packed.bin", compressed_spaces("packed.bin", BIG_MEMBER)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageRecorder recorder;
        WorkerRun worker;
        worker.abort_while_showing(utf8_to_utf16(c.name));
        RunFolder setup(concat({stored("before.txt", text_bytes("before")), c.member,
                                stored("after.txt", text_bytes("after")), Bytes{0}}));
        WorkerRecord record = setup.run(worker);
        EXPECT_EQ(record.final_message, WM_SFX_ABORTED);
        EXPECT_EQ(record.final_messages, 1);
        EXPECT_EQ(record.current_output, utf8_to_utf16(c.name));
        Tree tree = setup.tree();
        EXPECT_EQ(tree.count(L"before.txt"), 1u);
        EXPECT_EQ(tree.count(utf8_to_utf16(c.name)), 0u) << "the partial file stayed";
        EXPECT_EQ(tree.count(L"after.txt"), 0u);
        EXPECT_TRUE(recorder.messages().empty());
    }
}

TEST(Worker, NoMemberIsStartedAfterAnAbort) {
    MessageRecorder recorder;
    WorkerRun worker;
    worker.abort_on_showing(L"folder/");
    RunFolder setup(concat({member("folder/", "-lhd-", Bytes(), 0, 0),
                            stored("next.txt", text_bytes("next")), Bytes{0}}));
    WorkerRecord record = setup.run(worker);
    EXPECT_EQ(record.final_message, WM_SFX_ABORTED);
    EXPECT_EQ(record.shown, std::vector<std::wstring>{L"folder/"});
    EXPECT_EQ(setup.tree().count(L"next.txt"), 0u);
    EXPECT_TRUE(record.current_output.empty());  // no file was begun
}

TEST(Worker, TheCompressedBigMemberExtractsWhenNotAborted) {
    // The abort case above relies on this member being sound.
    MessageRecorder recorder;
    WorkerRun worker;
    RunFolder setup(concat({compressed_spaces("packed.bin", BIG_MEMBER), Bytes{0}}));
    WorkerRecord record = setup.run(worker);
    EXPECT_EQ(record.final_message, WM_SFX_DONE);
    EXPECT_FALSE(record.failed);
    EXPECT_TRUE(setup.tree()[L"packed.bin"].content == Bytes(BIG_MEMBER, ' '));
    EXPECT_TRUE(recorder.messages().empty());
}

namespace {

// In the child of a death test: print what would be shown.
int print_message(HWND, const wchar_t* text, const wchar_t* caption, uint32_t type) {
    std::fprintf(stderr, "caption=%s type=%u text=[%s]\n", caption ? "set" : "default", type,
                 utf16_to_utf8(std::wstring(text)).c_str());
    return 1;
}

bool every_write_fails(const CWinFile&) {
    return true;
}

void extract_with_a_full_disk(const Bytes& member_bytes) {
    RunFolder setup(concat({member_bytes, Bytes{0}}));
    set_message_hook(&print_message);
    CWinFile::set_write_failure_hook(&every_write_fails);
    WorkerRun worker;
    setup.run(worker);
    std::fprintf(stderr, "the run ended without the disk message\n");
    std::exit(0);
}

}  // namespace

TEST(WorkerDeathTest, ADiskWriteFailureEndsTheProcessWithStatusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const char* disk_message =
        "caption=default type=0 text=\\[\xE3\x83\x87\xE3\x82\xA3\xE3\x82\xB9\xE3\x82\xAF"
        "\xE3\x81\xAB\xE6\x9B\xB8\xE3\x81\x8D\xE8\xBE\xBC\xE3\x82\x81\xE3\x81\xBE\xE3\x81\x9B"
        "\xE3\x82\x93\n\\]";
    EXPECT_EXIT(extract_with_a_full_disk(stored("stored.txt", text_bytes("some data"))),
                ::testing::ExitedWithCode(EXIT_FATAL_ERROR), disk_message);
    EXPECT_EXIT(extract_with_a_full_disk(compressed_spaces("packed.bin", 1u << 16)),
                ::testing::ExitedWithCode(EXIT_FATAL_ERROR), disk_message);
}
