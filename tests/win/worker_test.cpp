// The extraction run end to end: extraction_worker on its own thread, real
// folders, a window of the test's own that records what the worker tells it.
#include "Sfx/worker.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>

#include "Sfx/report.h"
#include "Sfx/window_messages.h"
#include "support/allocation_hook.h"
#include "support/block_writer.h"
#include "support/engine_runner.h"
#include "support/header_writer.h"
#include "support/hostile_archive.h"
#include "support/message_recorder.h"
#include "support/system_text_win32.h"
#include "support/tree_win32.h"
#include "support/worker_run_win32.h"
#include "text/utf8.h"

namespace {

constexpr uint32_t BIG_MEMBER = 1u << 20;
constexpr size_t LH5_DICTIONARY = 8192;
constexpr int LONGEST_MATCH_CODE = 256 + 253;  // -lh5-: a match of 256 bytes

// A level-2 member whose data is given as stored in the archive.
Bytes member(const std::string& name, const std::string& method, const Bytes& packed,
             uint32_t original_size, uint16_t crc) {
    HeaderFields f;
    f.method = method;
    f.original_size = original_size;
    f.crc = crc;
    return member_with(f, name, packed);
}

Bytes stored(const std::string& name, const std::string& text) {
    return stored_member(2, name, ascii(text));
}

// size bytes of spaces as -lh5-: one block of constant 256-byte matches at
// distance 1, which cost no bits at all.
Bytes compressed_spaces(const std::string& name, uint32_t size) {
    BlockWriter writer(14);
    writer.block(static_cast<uint16_t>(size / 256), Lengths(), Lengths(), Lengths(),
                 LONGEST_MATCH_CODE, 0);
    return member(name, "-lh5-", writer.bytes(), size, reference_crc16(Bytes(size, ' ')));
}

// An archive beside a destination folder, extracted by the worker.
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

// The run went through (or, failed, stopped after a message) without an abort.
void expect_done(const WorkerRecord& record, bool failed) {
    EXPECT_EQ(record.final_message, static_cast<UINT>(WM_SFX_DONE));
    EXPECT_EQ(record.final_messages, 1);
    EXPECT_EQ(record.failed, failed);
}

// The one message of the run: its text, after checking owner, caption and icon.
std::wstring only_message(const MessageRecorder& recorder, HWND owner) {
    auto messages = recorder.messages();
    EXPECT_EQ(messages.size(), 1u);
    if (messages.empty()) return std::wstring();
    EXPECT_EQ(messages[0].owner, owner);
    EXPECT_FALSE(messages[0].has_caption);
    EXPECT_EQ(messages[0].type, static_cast<uint32_t>(MB_ICONWARNING));
    return messages[0].text;
}

}  // namespace

TEST(Worker, HostileNamesNeverLeaveTheDestination) {
    MessageRecorder recorder;
    WorkerRun worker;
    for (const NameStyle& style : NAME_STYLES) {
        SCOPED_TRACE(style.description);
        // The destination lies three folders deep: every way up leads into root.
        TempDir root;
        std::wstring destination = root / L"l1\\l2\\dest";
        make_folder(destination);
        std::vector<HostileName> names = hostile_names(root.path());
        write_file(root / L"hostile.lzh", hostile_archive(names, style));

        WorkerRecord record = worker.run(root / L"hostile.lzh", destination);
        expect_done(record, false);
        EXPECT_EQ(record.shown.size(), names.size());
        // The shell hears of the paths that were written.
        std::vector<std::wstring> notices;
        Tree expected;
        for (const HostileName& name : names) {
            notices.push_back(name.written.empty() ? destination
                                                   : shell_path(destination, name.written));
            if (name.written.empty()) continue;
            for (size_t cut = name.written.find(L'/'); cut != std::wstring::npos;
                 cut = name.written.find(L'/', cut + 1))
                expected[name.written.substr(0, cut)].folder = true;
            expected[name.written].folder = name.folder();
            if (!name.folder()) expected[name.written].content = hostile_content(name);
        }
        EXPECT_EQ(record.notified, notices);
        expect_same_tree(list_tree(destination), expected, false);
        // Nothing anywhere else under root but the archive and the way down.
        std::set<std::wstring> elsewhere;
        for (const auto& [path, entry] : list_tree(root.path()))
            if (path.rfind(L"l1/l2/dest/", 0) != 0) elsewhere.insert(path);
        EXPECT_EQ(elsewhere, (std::set<std::wstring>{L"hostile.lzh", L"l1", L"l1/l2", L"l1/l2/dest"}));
    }
    EXPECT_TRUE(recorder.messages().empty());
}

// Members of an unknown method and Unix symbolic links are skipped, but shown
// and announced; a later member that writes "through" a link's name lands in
// an ordinary folder of that name. The archive lacks its zero byte: the file
// ends where a header would begin, which is a clean end.
TEST(Worker, UnknownMethodsAndUnixLinksAreSkippedButShownAndAnnounced) {
    MessageRecorder recorder;
    WorkerRun worker;
    RunFolder setup(concat({member("skip.bin", "-lhx-", ascii("what -lhx- may mean"), 100, 0),
                            unix_link_member(0, "rel|target.txt"), unix_link_member(1, "abs|/etc"),
                            unix_link_member(2, "up|../.."), stored("up/inside.txt", "inside")}));
    WorkerRecord record = setup.run(worker);
    expect_done(record, false);
    EXPECT_EQ(record.shown, (std::vector<std::wstring>{L"skip.bin", L"rel|target.txt", L"abs|/etc",
                                                       L"up|../..", L"up/inside.txt"}));
    ASSERT_EQ(record.notified.size(), 5u);
    EXPECT_EQ(record.notified[0], shell_path(setup.destination, L"skip.bin"));
    EXPECT_EQ(record.notified[4], shell_path(setup.destination, L"up/inside.txt"));
    EXPECT_EQ(describe(setup.tree()), "D up\nF up/inside.txt (6)\n");
    EXPECT_TRUE(recorder.messages().empty());
}

TEST(Worker, PackedSizesAreUnsignedUpTo4GiB) {
    // Read as a signed number this size would lead 16 bytes back, into the
    // member's own header, over and over; unsigned it leads past the end of
    // the file, which is no clean end: the archive was cut.
    MessageRecorder recorder;
    WorkerRun worker;
    HeaderFields f;
    f.method = "-lhx-";
    f.extensions = {name_extension("huge.bin")};
    f.packed_size = 0u - static_cast<uint32_t>(header_bytes(f).size());
    RunFolder setup(concat({header_bytes(f), Bytes(16, 'x'), Bytes{0}}));
    WorkerRecord record = setup.run(worker);
    expect_done(record, true);
    EXPECT_EQ(record.shown, std::vector<std::wstring>{L"huge.bin"});
    auto messages = recorder.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, L"Unknown header");
}

// A member whose CRC does not match, whose data cannot be decoded (its
// header has no CRC: the damage shows all the same) or whose dictionary cannot
// be had is reported as damaged and stops the run. The file of the first two
// stays as it was written; the one without memory is removed as partial.
TEST(Worker, ADamagedMemberIsReportedAndStopsTheRun) {
    Bytes data = ascii("these bytes are not what the header promised");
    BlockWriter undecodable(14);
    Lengths length_code(19, 0);
    length_code[3] = 17;  // a code-length code of 17 bits: the engine gives up
    undecodable.block(1, length_code, Lengths(), Lengths(), 'x', 0);
    HeaderFields without_crc;
    without_crc.level = 0;
    without_crc.method = "-lh5-";
    without_crc.with_crc = false;
    without_crc.original_size = 44;
    for (const std::string damage : {"CRC mismatch", "undecodable", "no memory"}) {
        SCOPED_TRACE(damage);
        const bool no_memory = damage == "no memory";
        MessageRecorder recorder;
        WorkerRun worker;
        Bytes bad = no_memory ? compressed_spaces("bad.txt", 1u << 16)
                    : damage == "undecodable"
                        ? member_with(without_crc, "bad.txt", undecodable.bytes())
                        : member("bad.txt", "-lh0-", data, static_cast<uint32_t>(data.size()),
                                 reference_crc16(data) ^ 1);
        RunFolder setup(concat({stored("good.txt", "good"), bad, stored("later.txt", "later"),
                                Bytes{0}}));
        std::optional<FailingAllocations> failing;
        if (no_memory) failing.emplace(LH5_DICTIONARY);
        WorkerRecord record = setup.run(worker);
        failing.reset();
        expect_done(record, true);
        EXPECT_EQ(record.shown, (std::vector<std::wstring>{L"good.txt", L"bad.txt"}));
        Tree tree = setup.tree();
        EXPECT_EQ(tree.size(), no_memory ? 1u : 2u);
        EXPECT_EQ(tree.count(L"good.txt") + tree.count(L"bad.txt"), tree.size());
        EXPECT_TRUE(damage != "CRC mismatch" || tree[L"bad.txt"].content == data);
        EXPECT_EQ(only_message(recorder, worker.window()), L"ファイル bad.txt が壊れています。");
    }
}

// A read-only file fails the same way, with its own reason; Wine run as root
// may write it all the same, so only the file in use is tried here.
TEST(Worker, AnExistingFileIsReplacedUnlessItIsInUse) {
    for (bool in_use : {false, true}) {
        SCOPED_TRACE(in_use ? "in use" : "free");
        MessageRecorder recorder;
        WorkerRun worker;
        RunFolder setup(concat({stored("same.txt", "new"), stored("later.txt", "later"), Bytes{0}}));
        const std::wstring same = setup.destination + L"\\same.txt";
        write_file(same, Bytes(5000, 'o'));
        // Held open without sharing: it can be neither deleted nor created anew.
        HANDLE holder = in_use ? CreateFileW(same.c_str(), GENERIC_READ, 0, nullptr,
                                             OPEN_EXISTING, 0, nullptr)
                               : INVALID_HANDLE_VALUE;
        WorkerRecord record = setup.run(worker);
        if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
        expect_done(record, in_use);
        Tree tree = setup.tree();
        if (!in_use) {
            EXPECT_TRUE(tree[L"same.txt"].content == ascii("new"));
            EXPECT_EQ(tree.count(L"later.txt"), 1u);
            EXPECT_TRUE(recorder.messages().empty());
        } else {
            EXPECT_TRUE(tree[L"same.txt"].content == Bytes(5000, 'o'));
            EXPECT_EQ(tree.count(L"later.txt"), 0u);
            EXPECT_EQ(only_message(recorder, nullptr), system_text(ERROR_SHARING_VIOLATION));
        }
    }
}

TEST(Worker, AFolderInTheWayIsOneWarningAndStopsTheRun) {
    MessageRecorder recorder;
    WorkerRun worker;
    // The folder member finds its folder there, which is fine; the file does not.
    RunFolder setup(concat({member("clash.txt/", "-lhd-", Bytes(), 0, 0), stored("clash.txt", "file"),
                            stored("later.txt", "later"), Bytes{0}}));
    make_folder(setup.destination + L"\\clash.txt\\inside");
    expect_done(setup.run(worker), true);
    EXPECT_EQ(describe(setup.tree()), "D clash.txt\nD clash.txt/inside\n");
    EXPECT_EQ(only_message(recorder, worker.window()),
              L"clash.txt を解凍できません。同名のフォルダが存在します。");
}

// Whenever the abort comes, the window deletes only a file still being
// written: every finished member stays.
TEST(Worker, AnAbortStopsTheRunAndDeletesOnlyThePartialFile) {
    Bytes big(BIG_MEMBER);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
    const std::pair<const char*, Bytes> cases[] = {
        {"stored.bin", member("stored.bin", "-lh0-", big, BIG_MEMBER, reference_crc16(big))},
        {"packed.bin", compressed_spaces("packed.bin", BIG_MEMBER)},
        {"folder/", member("folder/", "-lhd-", Bytes(), 0, 0)},  // before any file was begun
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        MessageRecorder recorder;
        WorkerRun worker;
        const bool folder = std::string(name).back() == '/';
        worker.abort_at(utf8_to_utf16(name), !folder);
        RunFolder setup(concat({stored("before.txt", "before"), bytes, stored("after.txt", "after"),
                                Bytes{0}}));
        WorkerRecord record = setup.run(worker);
        EXPECT_EQ(record.final_message, static_cast<UINT>(WM_SFX_ABORTED));
        EXPECT_EQ(record.final_messages, 1);
        EXPECT_EQ(describe(setup.tree()), folder ? "F before.txt (6)\nD folder\n"
                                                 : "F before.txt (6)\n");  // the partial file went
        EXPECT_TRUE(recorder.messages().empty());
    }
}

namespace {

void extract_with_a_full_disk(const Bytes& member_bytes) {
    RunFolder setup(concat({member_bytes, Bytes{0}}));
    set_message_hook(&print_message);
    CWinFile::set_write_failure_hook([](const CWinFile&) { return true; });
    WorkerRun worker;
    setup.run(worker);
    std::fprintf(stderr, "the run ended without the disk message\n");
    std::exit(0);
}

}  // namespace

TEST(WorkerDeathTest, ADiskWriteFailureEndsTheProcessWithStatusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(extract_with_a_full_disk(stored("stored.txt", "some data")),
                ::testing::ExitedWithCode(EXIT_FATAL_ERROR), DISK_MESSAGE_PATTERN);
    EXPECT_EXIT(extract_with_a_full_disk(compressed_spaces("packed.bin", 1u << 16)),
                ::testing::ExitedWithCode(EXIT_FATAL_ERROR), DISK_MESSAGE_PATTERN);
}
