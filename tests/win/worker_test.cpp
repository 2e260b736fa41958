// The extraction run end to end: extraction_worker on its own thread, as the
// progress window runs it, real folders, and a hidden message-only window of
// the test's own in the progress window's place. The window answers
// WM_SFX_SHOW_NAME, takes the progress bar's messages, hears the shell's
// creation notices and records all of it; it can press "abort" as well, and
// on WM_SFX_ABORTED deletes CSfxApp::current_output as the real window does.
#include "Sfx/worker.h"

#include <windows.h>

#include <commctrl.h>
#include <process.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>

#include "Sfx/messages.h"
#include "Sfx/report.h"
#include "Sfx/run_state.h"
#include "Sfx/sfx_app.h"
#include "Sfx/window_messages.h"
#include "support/allocation_hook.h"
#include "support/block_writer.h"
#include "support/driver_win32.h"
#include "support/engine_runner.h"
#include "support/header_writer.h"
#include "support/hostile_archive.h"
#include "support/message_recorder.h"
#include "support/tree_win32.h"
#include "text/utf8.h"

namespace {

constexpr wchar_t WINDOW_CLASS[] = L"VornSfxWorkerTest";
constexpr UINT WM_SHELL_NOTICE = WM_APP + 0x50;
constexpr UINT_PTR TIME_LIMIT_TIMER = 1;
constexpr UINT WORKER_LIMIT_MS = 120000;
constexpr DWORD THREAD_END_LIMIT_MS = 30000;
constexpr uint32_t BIG_MEMBER = 1 + (1u << 20);
constexpr size_t LH5_DICTIONARY = 8192;

struct WorkerRecord {
    std::vector<std::wstring> shown;     // WM_SFX_SHOW_NAME texts, in order
    std::vector<std::wstring> notified;  // paths the shell was told were created
    UINT final_message = 0;              // WM_SFX_DONE or WM_SFX_ABORTED; 0: none in time
    int final_messages = 0;              // how many of those arrived
    bool failed = false;                 // CSfxApp::failed after the run
};

class WorkerRun {
public:
    WorkerRun();
    ~WorkerRun();
    WorkerRun(const WorkerRun&) = delete;
    WorkerRun& operator=(const WorkerRun&) = delete;

    // Clears the abort flag as the abort button does: once the window shows
    // this stored path (before its extraction), or (while_extracting) the
    // first time the bar moves while it shows it.
    void abort_at(const std::wstring& stored_path, bool while_extracting) {
        abort_on_ = stored_path;
        abort_while_extracting_ = while_extracting;
    }

    // Extracts archive into destination (made the current folder for the run,
    // and CSfxApp::destination) and returns what the window saw.
    WorkerRecord run(const std::wstring& archive, const std::wstring& destination);
    HWND window() const { return window_; }

private:
    static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    void on_shell_notice(WPARAM wparam, LPARAM lparam);

    HWND window_ = nullptr;
    ULONG shell_registration_ = 0;
    std::wstring abort_on_;
    bool abort_while_extracting_ = false;
    WorkerRecord* record_ = nullptr;
    CSfxApp* app_ = nullptr;
};

unsigned __stdcall worker_thread(void* app) {
    extraction_worker(*static_cast<CSfxApp*>(app));
    return 0;
}

void register_class_once() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = WINDOW_CLASS;
    registered = RegisterClassW(&window_class) != 0;
}

// Messages that are already queued: the last shell notices, for instance.
void drain_queue() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

// The system's own text for an error code, as the program's message shows it.
std::wstring system_text(DWORD code) {
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                   reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring copy = text ? text : L"";
    LocalFree(text);
    return copy;
}

// The full path the extraction of a member writes below destination, as the
// shell hears it: backslashes between the components.
std::wstring shell_path(const std::wstring& destination, const std::wstring& relative) {
    std::wstring path = destination + L"\\" + relative;
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

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


WorkerRun::WorkerRun() {
    register_class_once();
    window_ = CreateWindowExW(0, WINDOW_CLASS, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(window_, nullptr) << "message-only window: error " << GetLastError();
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WorkerRun::window_proc));
    // Every creation notice anywhere below the desktop.
    SHChangeNotifyEntry everywhere = {nullptr, TRUE};
    shell_registration_ = SHChangeNotifyRegister(
        window_, SHCNRF_ShellLevel | SHCNRF_InterruptLevel | SHCNRF_NewDelivery, SHCNE_CREATE,
        WM_SHELL_NOTICE, 1, &everywhere);
    EXPECT_NE(shell_registration_, 0u);
}

WorkerRun::~WorkerRun() {
    if (shell_registration_) SHChangeNotifyDeregister(shell_registration_);
    if (window_) DestroyWindow(window_);
    set_progress_bar(nullptr);
    reset_run_state();
}

WorkerRecord WorkerRun::run(const std::wstring& archive, const std::wstring& destination) {
    WorkerRecord record;
    record_ = &record;
    reset_run_state();
    CSfxApp app;
    app_ = &app;
    app.archive.reset(new CWinFile);
    EXPECT_TRUE(app.archive->open(archive.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    app.main_window = window_;
    app.destination = destination.c_str();
    set_progress_bar(window_);

    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    EXPECT_TRUE(SetCurrentDirectoryW(destination.c_str()));
    SetTimer(window_, TIME_LIMIT_TIMER, WORKER_LIMIT_MS, nullptr);
    HANDLE thread =
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, worker_thread, &app, 0, nullptr));
    EXPECT_NE(thread, nullptr);
    MSG message;
    while (thread && record.final_messages == 0 && GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    KillTimer(window_, TIME_LIMIT_TIMER);
    if (thread) {
        if (record.final_message == 0) keep_going = 0;  // out of time: make the worker stop
        EXPECT_EQ(WaitForSingleObject(thread, THREAD_END_LIMIT_MS), WAIT_OBJECT_0);
        CloseHandle(thread);
    }
    drain_queue();
    SetCurrentDirectoryW(previous);

    record.failed = app.failed != 0;
    record_ = nullptr;
    app_ = nullptr;
    return record;
}

LRESULT CALLBACK WorkerRun::window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<WorkerRun*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    WorkerRecord* record = self ? self->record_ : nullptr;
    if (!record) return DefWindowProcW(window, message, wparam, lparam);
    switch (message) {
    case WM_SFX_SHOW_NAME:
    case PBM_SETPOS:
        if (message == WM_SFX_SHOW_NAME)
            record->shown.push_back(reinterpret_cast<const wchar_t*>(lparam));
        if (!record->shown.empty() && record->shown.back() == self->abort_on_ &&
            self->abort_while_extracting_ == (message == PBM_SETPOS))
            keep_going = 0;  // what the abort button does
        return 0;
    case WM_SFX_DONE:
    case WM_SFX_ABORTED:
        if (message == WM_SFX_ABORTED) DeleteFileW(self->app_->current_output.c_str());
        if (record->final_messages++ == 0) record->final_message = message;
        return 0;
    case WM_SHELL_NOTICE:
        self->on_shell_notice(wparam, lparam);
        return 0;
    case WM_TIMER:
        ADD_FAILURE() << "the worker did not end in time";
        ++record->final_messages;  // ends the message loop
        return 0;
    default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

void WorkerRun::on_shell_notice(WPARAM wparam, LPARAM lparam) {
    PIDLIST_ABSOLUTE* items = nullptr;
    LONG event = 0;
    HANDLE lock = SHChangeNotification_Lock(reinterpret_cast<HANDLE>(wparam),
                                            static_cast<DWORD>(lparam), &items, &event);
    if (!lock) return;
    wchar_t path[MAX_PATH] = {};
    if (event == SHCNE_CREATE && items && items[0] && SHGetPathFromIDListW(items[0], path))
        record_->notified.push_back(path);
    SHChangeNotification_Unlock(lock);
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
        EXPECT_EQ(elsewhere,
                  (std::set<std::wstring>{L"hostile.lzh", L"l1", L"l1/l2", L"l1/l2/dest"}));
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
        Bytes bad = no_memory ? zeros_lh5("bad.txt", 1 + (1u << 16))
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
        RunFolder setup(
            concat({stored("same.txt", "new"), stored("later.txt", "later"), Bytes{0}}));
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
    RunFolder setup(concat({member("clash.txt/", "-lhd-", Bytes(), 0, 0),
                            stored("clash.txt", "file"), stored("later.txt", "later"), Bytes{0}}));
    make_folder(setup.destination + L"\\clash.txt\\inside");
    expect_done(setup.run(worker), true);
    EXPECT_EQ(describe(setup.tree()), "D clash.txt\nD clash.txt/inside\n");
    EXPECT_EQ(only_message(recorder, worker.window()),
              L"clash.txt を解凍できません。同名のフォルダが存在します。");
}

// What cannot be created is reported with the system's reason, from no
// window as the system's messages are, and stops the run.
TEST(Worker, WhatCannotBeCreatedIsReportedWithTheSystemTextAndStopsTheRun) {
    const std::pair<Bytes, DWORD> cases[] = {
        {member("f/sub/", "-lhd-", Bytes(), 0, 0), ERROR_ALREADY_EXISTS},
        {stored("f/g.txt", "g"), ERROR_SUCCESS},  // some reason, whichever
        {stored("..", "nothing usable is left of the name"), ERROR_SUCCESS},
    };
    for (const auto& [bad, reason] : cases) {
        MessageRecorder recorder;
        WorkerRun worker;
        RunFolder setup(concat({bad, stored("later.txt", "later"), Bytes{0}}));
        write_file(setup.destination + L"\\f", ascii("a file"));
        expect_done(setup.run(worker), true);
        EXPECT_EQ(describe(setup.tree()), "F f (6)\n");
        const std::wstring text = only_message(recorder, nullptr);
        EXPECT_TRUE(reason == ERROR_SUCCESS ? text != system_text(reason)
                                            : text == system_text(reason))
            << shown(text);
    }
}

// A message about a path too long for it keeps the path's end behind an ellipsis.
TEST(Worker, APathTooLongForItsMessageIsCutAtItsFront) {
    const std::string path = std::string(100, 'd') + "/" + std::string(100, 'e') + "/" +
                             std::string(60, 'n') + ".bin";
    const std::wstring name = std::wstring(60, L'n') + L".bin";
    for (bool clash : {false, true}) {
        MessageRecorder recorder;
        WorkerRun worker;
        RunFolder setup(concat(
            {member(path, "-lh0-", ascii("x"), 1, reference_crc16(ascii("x")) ^ 1), Bytes{0}}));
        if (clash) fs::create_directories(native(setup.destination) / native(utf8_to_utf16(path)));
        expect_done(setup.run(worker), true);
        const std::wstring text = only_message(recorder, worker.window());
        const std::wstring head = clash ? L"\x2026" : L"ファイル \x2026";
        const std::wstring tail =
            name + (clash ? L" " + std::wstring(TEXT_FOLDER_CLASH) : L" が壊れています。");
        EXPECT_LE(text.size(), MESSAGE_UNITS - 1);
        EXPECT_EQ(text.substr(0, head.size()), head);
        EXPECT_EQ(text.substr(text.size() - std::min(tail.size(), text.size())), tail);
    }
}

// Whenever the abort comes, the window deletes only a file still being
// written: every finished member stays.
TEST(Worker, AnAbortStopsTheRunAndDeletesOnlyThePartialFile) {
    Bytes big(BIG_MEMBER);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
    const std::pair<const char*, Bytes> cases[] = {
        {"stored.bin", member("stored.bin", "-lh0-", big, BIG_MEMBER, reference_crc16(big))},
        {"packed.bin", zeros_lh5("packed.bin", BIG_MEMBER)},
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
    EXPECT_EXIT(extract_with_a_full_disk(zeros_lh5("packed.bin", 1 + (1u << 16))),
                ::testing::ExitedWithCode(EXIT_FATAL_ERROR), DISK_MESSAGE_PATTERN);
}
