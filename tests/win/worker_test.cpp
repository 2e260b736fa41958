// The extraction run through real folders: extraction_worker called on the
// test's own thread, with a message-only window in the progress window's
// place, owning the run's messages; an abort comes from the progress sink, as
// soon as a file's output moves the bar. The runs through the real stub
// (tests/e2e) see the windows; these see the ways a member can fail, and where
// a hostile name lands.
#include "Sfx/worker.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "Sfx/report.h"
#include "Sfx/run_state.h"
#include "Sfx/sfx_app.h"
#include "Sfx/window_messages.h"
#include "support/allocation_hook.h"
#include "support/block_writer.h"
#include "support/driver_win32.h"
#include "support/header_writer.h"
#include "support/message_recorder.h"
#include "text/utf8.h"

namespace {

constexpr uint32_t BIG_MEMBER = 1 + (1u << 20);
constexpr size_t LH5_DICTIONARY = 8192;

// The message-only window in the progress window's place.
HWND run_window() {
    static const HWND window =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    return window;
}

// Extracts archive into destination (the current folder for the run), the
// user aborting when abort; true when CSfxApp::failed was set.
bool run_worker(const std::wstring& archive, const std::wstring& destination, bool abort = false) {
    reset_run_state();
    const ProgressSink press_abort = [](uint32_t) { keep_going = 0; };
    set_progress_sink(abort ? press_abort : nullptr);
    CSfxApp app;
    app.archive.reset(new CWinFile);
    EXPECT_TRUE(app.archive->open(archive.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    app.main_window = run_window();
    app.destination = destination.c_str();
    const fs::path previous = fs::current_path();
    fs::current_path(native(destination));
    extraction_worker(app);
    fs::current_path(previous);
    MSG message;  // the end message
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    set_progress_sink(nullptr);
    reset_run_state();
    return app.failed != 0;
}

// A disk that is full from the first write on: the process ends with the disk
// message, printed for the death test to see; an OK box, no icon, the default caption.
constexpr char DISK_MESSAGE_PATTERN[] =
    "caption=default type=0 text=\\[ディスクに書き込めません\n\\]";

void extract_with_a_full_disk(const Bytes& member_bytes) {
    TempDir root;
    make_folder(root / L"dest");
    write_file(root / L"archive.lzh", concat({member_bytes, Bytes{0}}));
    set_message_hook([](HWND, const wchar_t* text, const wchar_t* caption, uint32_t type) {
        std::fprintf(stderr, "caption=%s type=%u text=[%s]\n", caption ? "set" : "default", type,
                     utf16_to_utf8(text).c_str());
        return 1;
    });
    CWinFile::set_write_failure_hook([](const CWinFile&) { return true; });
    run_worker(root / L"archive.lzh", root / L"dest");
    std::fprintf(stderr, "the run ended without the disk message\n");
    std::exit(0);
}

}  // namespace

TEST(Worker, HostileNamesNeverLeaveTheDestination) {
    MessageRecorder recorder;
    // The destination lies three folders deep: every way up leads into root,
    // which holds nothing else but the archive.
    TempDir root;
    const std::wstring destination = root / L"l1\\l2\\dest", inside = L"l1/l2/dest";
    const std::vector<HostileName> names = hostile_names(root.path());
    Tree expected = {{L"l1", {true}}, {L"l1/l2", {true}}, {inside, {true}}};
    for (const HostileName& name : names) {
        if (name.written.empty()) continue;
        const std::wstring path = inside + L"/" + name.written;
        for (size_t cut = path.find(L'/', inside.size() + 1); cut != std::wstring::npos;
             cut = path.find(L'/', cut + 1))
            expected[path.substr(0, cut)].folder = true;
        expected[path].folder = name.folder();
        if (!name.folder()) expected[path].content = hostile_content(name);
    }
    for (const auto& [style, archive] : hostile_archives(names)) {
        SCOPED_TRACE(style);
        make_folder(destination);
        write_file(root / L"hostile.lzh", archive);
        expected[L"hostile.lzh"].content = archive;
        EXPECT_FALSE(run_worker(root / L"hostile.lzh", destination));
        expect_same_tree(list_tree(root.path()), expected, false);
        fs::remove_all(native(root / L"l1"));
    }
    EXPECT_TRUE(recorder.messages().empty());
}

// Every way a run ends besides the plain one. A failing member is reported in
// one warning owned by the window and stops the run; the members before it
// stay. An abort deletes only a file still being written.
TEST(Worker, FailuresAndAbortsStopTheRunAndKeepWhatWasFinished) {
    BlockWriter undecodable(14);
    Lengths length_code(19, 0);
    length_code[3] = 17;  // a code-length code of 17 bits: the engine gives up
    undecodable.block(1, length_code, Lengths(), Lengths(), 'x', 0);
    HeaderFields without_crc;  // the damage shows all the same
    without_crc.level = 0;
    without_crc.method = "-lh5-";
    without_crc.with_crc = false;
    without_crc.original_size = 44;
    HeaderFields huge;  // read as signed, this size would lead back into its own header
    huge.method = "-lhx-";
    huge.extensions = {name_extension("huge.bin")};
    huge.packed_size = 0u - static_cast<uint32_t>(header_bytes(huge).size());
    HeaderFields unknown;
    unknown.method = "-lhx-";
    unknown.original_size = 100;
    const std::wstring broken = L"ファイル bad.txt が壊れています。";
    const Bytes good = stored_member(2, "good.txt", ascii("good")),
                later = stored_member(2, "later.txt", ascii("later"));

    struct Case {
        const char* what;
        Bytes archive;
        const char* tree;      // the destination afterwards
        std::wstring message;  // the one message, "" none
        bool abort = false;    // the user aborts during big.bin
    };
    const Case cases[] = {
        // Unknown methods and Unix symbolic links are skipped; a later
        // member "through" a link's name lands in an ordinary folder. No end byte.
        {"skipped members",
         concat({member_with(unknown, "skip.bin", ascii("what -lhx- may mean")),
                 unix_link_member(0, "rel|target.txt"), unix_link_member(1, "abs|/etc"),
                 unix_link_member(2, "up|../.."),
                 stored_member(2, "up/inside.txt", ascii("inside"))}),
         "D up\nF up/inside.txt (6)\n", L""},
        // Unsigned, the size leads past the end of the file: a cut archive.
        {"packed size near 4 GiB", concat({header_bytes(huge), Bytes(16, 'x'), Bytes{0}}), "",
         L"Unknown header"},
        {"undecodable",
         concat({good, member_with(without_crc, "bad.txt", undecodable.bytes()), later, Bytes{0}}),
         "F bad.txt (0)\nF good.txt (4)\n", broken},
        // No dictionary to be had: the partial file is removed.
        {"no memory", concat({good, zeros_lh5("bad.txt", 1 + (1u << 16)), later, Bytes{0}}),
         "F good.txt (4)\n", broken},
        {"abort in a packed member",
         concat({good, zeros_lh5("big.bin", BIG_MEMBER), later, Bytes{0}}), "F good.txt (4)\n", L"",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MessageRecorder recorder;
        TempDir root;
        const std::wstring destination = root / L"dest";
        make_folder(destination);
        write_file(root / L"archive.lzh", c.archive);
        std::optional<FailingAllocations> failing;
        if (c.what == std::string("no memory")) failing.emplace(LH5_DICTIONARY);
        EXPECT_EQ(run_worker(root / L"archive.lzh", destination, c.abort),
                  c.abort || !c.message.empty());
        failing.reset();
        EXPECT_EQ(describe(list_tree(destination)), c.tree);
        const auto messages = recorder.messages();
        ASSERT_EQ(messages.size(), c.message.empty() ? 0u : 1u);
        if (c.message.empty()) continue;
        const RecordedMessage& got = messages[0];
        EXPECT_EQ(utf16_to_utf8(got.text), utf16_to_utf8(c.message));
        if (got.text == L"Unknown header") continue;  // the header reader's own message
        EXPECT_EQ(got.owner, run_window());
        EXPECT_FALSE(got.has_caption);
        EXPECT_EQ(got.type, static_cast<uint32_t>(MB_ICONWARNING));
    }
}

TEST(WorkerDeathTest, ADiskWriteFailureEndsTheProcessWithStatusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const Bytes& member :
         {stored_member(2, "stored.txt", ascii("data")), zeros_lh5("packed.bin", BIG_MEMBER)})
        EXPECT_EXIT(extract_with_a_full_disk(member), ::testing::ExitedWithCode(EXIT_FATAL_ERROR),
                    DISK_MESSAGE_PATTERN);
}

// The names the window is sent: small members come faster than the label may
// change, so few of them are named, but the first and the last always are,
// and so is a large member, whatever came just before it.
namespace {
std::vector<std::wstring> named;
LRESULT CALLBACK record_names(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != WM_SFX_SHOW_NAME) return DefWindowProcW(window, message, wparam, lparam);
    named.push_back(reinterpret_cast<const wchar_t*>(lparam));
    return 0;
}
}  // namespace

TEST(Worker, SmallMembersAreNamedSparinglyTheLastAndLargeOnesAlways) {
    constexpr int SMALL_MEMBERS = 200;
    TempDir root;
    make_folder(root / L"dest");
    Bytes archive;
    for (int i = 0; i < SMALL_MEMBERS; ++i)
        archive = concat({archive, stored_member(2, "s" + std::to_string(i), ascii("small"))});
    archive = concat({archive, zeros_lh5("large.bin", 1 + (1u << 20)),
                      stored_member(2, "last.txt", ascii("last")), Bytes{0}});
    write_file(root / L"archive.lzh", archive);
    named.clear();
    const LONG_PTR window_proc = SetWindowLongPtrW(run_window(), GWLP_WNDPROC,
                                                   reinterpret_cast<LONG_PTR>(record_names));
    EXPECT_FALSE(run_worker(root / L"archive.lzh", root / L"dest"));
    SetWindowLongPtrW(run_window(), GWLP_WNDPROC, window_proc);
    ASSERT_FALSE(named.empty());
    EXPECT_LT(named.size(), static_cast<size_t>(SMALL_MEMBERS / 2));
    EXPECT_EQ(utf16_to_utf8(named.front()), "s0");
    EXPECT_NE(std::find(named.begin(), named.end(), L"large.bin"), named.end());
    EXPECT_EQ(utf16_to_utf8(named.back()), "last.txt");
}
