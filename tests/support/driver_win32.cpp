#include "driver_win32.h"

#include <algorithm>
#include <map>

#include "Sfx/Sfx64/resource.h"
#include "Sfx/config_writer.h"
#include "block_writer.h"
#include "header_writer.h"
#include "text/utf8.h"

namespace {

constexpr DWORD MESSAGE_LIMIT_MS = 5000;
constexpr DWORD KILL_LIMIT_MS = 10000;
constexpr UINT KILLED = 0xDEAD;
// Looking more often only slows Wine down: every look is a call to its server.
constexpr DWORD LOOK_EVERY_MS = 100;
constexpr DWORD DISMISS_AGAIN_MS = 2000;

// -lh5-: 14 position symbols; the character symbol of a 256-byte match.
constexpr int LH5_POSITION_SYMBOLS = 14;
constexpr int LONGEST_MATCH = 256;
constexpr int LONGEST_MATCH_SYMBOL = 253 + LONGEST_MATCH;
constexpr uint32_t CODES_PER_BLOCK = 0xFFFF;  // a block's code count is 16 bits

// Presses OK on every box the program shows, and again on one still there a
// while after; a new box may come back under the handle of one that went.
void press_ok_on_boxes(const UiProcess& process, BatchRun& run, std::map<HWND, DWORD>& pressed) {
    const DWORD now = GetTickCount();
    for (HWND box : process.windows(DIALOG_CLASS)) {
        auto earlier = pressed.find(box);
        if (!IsWindowVisible(box) ||
            (earlier != pressed.end() && now - earlier->second < DISMISS_AGAIN_MS))
            continue;
        if (earlier == pressed.end()) run.messages.push_back(message_box_text(box));
        pressed[box] = now;
        press(box, IDOK);
    }
}

}  // namespace

UiProcess::~UiProcess() {
    kill();
    if (info_.hThread) CloseHandle(info_.hThread);
    if (info_.hProcess) CloseHandle(info_.hProcess);
}

bool UiProcess::start(const std::wstring& program, const std::wstring& folder,
                      const std::wstring& arguments) {
    std::wstring command = L"\"" + program + L"\" " + arguments;  // the call may write into it
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    return CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &info_) != 0;
}

DWORD UiProcess::finish(DWORD limit_ms) {
    if (!info_.hProcess || WaitForSingleObject(info_.hProcess, limit_ms) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the program did not end within " << limit_ms << " ms; killed";
        kill();
    }
    return exit_code();
}

DWORD UiProcess::exit_code() const {
    DWORD code = STILL_ACTIVE;
    if (info_.hProcess) GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

void UiProcess::kill() {
    if (!running()) return;
    TerminateProcess(info_.hProcess, KILLED);
    WaitForSingleObject(info_.hProcess, KILL_LIMIT_MS);
}

std::vector<HWND> UiProcess::windows(const wchar_t* window_class) const {
    std::vector<HWND> found;
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, window_class, nullptr));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == info_.dwProcessId) found.push_back(window);
    }
    return found;
}

HWND UiProcess::wait_window(const wchar_t* window_class,
                            const std::function<bool(HWND)>& accept) const {
    HWND match = nullptr;
    wait_until(
        [&] {
            for (HWND window : windows(window_class))
                if (IsWindowVisible(window) && (!accept || accept(window))) {
                    match = window;
                    return true;
                }
            return !running();  // nothing more will appear
        },
        WINDOW_LIMIT_MS);
    return match;
}

HWND UiProcess::wait_dialog() const {
    return wait_window(DIALOG_CLASS, [](HWND dialog) { return GetDlgItem(dialog, IDC_DEST_EDIT); });
}

void run_side_by_side(std::vector<BatchRun>& runs, DWORD limit_ms) {
    for (size_t first = 0; first < runs.size(); first += RUNS_AT_ONCE) {
        const size_t end = std::min(first + RUNS_AT_ONCE, runs.size());
        UiProcess processes[RUNS_AT_ONCE];
        std::map<HWND, DWORD> pressed;  // message box -> when its OK was pressed
        for (size_t i = first; i < end; ++i)
            EXPECT_TRUE(processes[i - first].start(runs[i].program, runs[i].folder));
        wait_until(
            [&] {
                bool all_ended = true;
                for (size_t i = first; i < end; ++i)
                    if (processes[i - first].running()) {
                        all_ended = false;
                        press_ok_on_boxes(processes[i - first], runs[i], pressed);
                    }
                return all_ended;
            },
            limit_ms, LOOK_EVERY_MS);
        for (size_t i = first; i < end; ++i) {
            runs[i].hung = processes[i - first].running();
            processes[i - first].kill();
            runs[i].status = processes[i - first].exit_code();
        }
    }
}

bool wait_until(const std::function<bool()>& condition, DWORD limit_ms, DWORD every_ms) {
    for (const DWORD start = GetTickCount(); !condition(); Sleep(every_ms))
        if (GetTickCount() - start >= limit_ms) return false;
    return true;
}

std::wstring window_text(HWND window) {
    auto length = static_cast<size_t>(send_message(window, WM_GETTEXTLENGTH));
    std::wstring text(length + 1, L'\0');
    auto got = static_cast<size_t>(
        send_message(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0])));
    text.resize(got < length ? got : length);
    return text;
}

LRESULT send_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    DWORD_PTR result = 0;  // stays 0 when the message was not handled in time
    SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, MESSAGE_LIMIT_MS,
                        &result);
    return static_cast<LRESULT>(result);
}

void press(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::wstring message_box_text(HWND box) {
    // The icon is a static control too, without text.
    for (HWND child = nullptr; (child = FindWindowExW(box, child, L"Static", nullptr));)
        if (std::wstring text = window_text(child); !text.empty()) return text;
    return std::wstring();
}

std::string shown(const std::wstring& text) { return utf16_to_utf8(text); }

Bytes stub_image() { return read_file(path_from_environment("VORNSFX_STUB")); }

Bytes corpus_archive(const std::wstring& file_name) {
    Bytes bytes = read_file(path_from_environment("VORNSFX_CORPUS") + L"\\" + file_name);
    EXPECT_FALSE(bytes.empty()) << "corpus archive missing";
    return bytes;
}

Bytes zeros_lh5(const std::string& name, uint32_t size) {
    EXPECT_EQ((size - 1) % LONGEST_MATCH, 0u) << "size must be 1 + a multiple of 256";
    BlockWriter writer(LH5_POSITION_SYMBOLS);
    // One literal zero, then matches of it at distance 1; constant codes
    // (a single symbol each) are sent without any bits per code.
    writer.block(1, {}, {}, {}, 0, 0);
    writer.literal(0);
    for (uint32_t matches = (size - 1) / LONGEST_MATCH; matches > 0;) {
        uint32_t codes = matches < CODES_PER_BLOCK ? matches : CODES_PER_BLOCK;
        writer.block(static_cast<uint16_t>(codes), {}, {}, {}, LONGEST_MATCH_SYMBOL, 0);
        matches -= codes;
    }
    HeaderFields fields;
    fields.method = "-lh5-";
    fields.original_size = size;
    fields.crc = 0;  // CRC-16/ARC of zero bytes stays 0
    return member_with(fields, name, writer.bytes());
}

Bytes block_bytes(const CConfigBlock& block) {
    Bytes bytes;
    EXPECT_TRUE(encode_config_block(block, bytes));
    return bytes;
}

void write_sfx(const std::wstring& path, const Bytes& block, const Bytes& archive_bytes) {
    write_file(path, concat({stub_image(), block, archive_bytes}));
}
