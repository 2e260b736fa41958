#include "sweep_sandbox.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "support/ui_automation_win32.h"
#include "text/utf8.h"

namespace {

constexpr wchar_t PROGRAM_NAME[] = L"setup.exe";
constexpr wchar_t DESTINATION_NAME[] = L"dest";
constexpr wchar_t RUNS_NAME[] = L"runs";
constexpr wchar_t DRIVE_ROOT[] = L"C:\\";
// Wine starts its debugger when a program fails with an exception; under a
// screen it then shows the crash dialog and the program waits for it.
constexpr wchar_t CRASH_HANDLER[] = L"winedbg.exe";

constexpr DWORD STATUS_NORMAL = 0;
constexpr DWORD STATUS_WRITE_FAILED = 1;
constexpr DWORD STATUS_STARTUP_FAILED = 2;

// A damaged archive stops the run at its first message; a handful more means
// a box that comes back.
constexpr size_t MESSAGE_LIMIT = 8;
// A box still showing this long after it was dismissed is dismissed again.
constexpr DWORD DISMISS_AGAIN_MS = 2000;
constexpr DWORD END_LIMIT_MS = 10000;
// Looking more often only slows Wine down: every look is a call to its server.
constexpr DWORD LOOK_EVERY_MS = 100;

// Ends a crash handler that the run's program started, by its id.
void end_process(DWORD id) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
    if (!process) return;
    TerminateProcess(process, 1);
    WaitForSingleObject(process, END_LIMIT_MS);
    CloseHandle(process);
}

// Dismisses every box the program shows; a box's text is taken once. A box
// still there DISMISS_AGAIN_MS after its dismissal is dismissed again.
void dismiss_boxes(const UiProcess& process, std::vector<std::pair<HWND, DWORD>>& dismissed,
                   std::vector<std::wstring>& messages) {
    const DWORD now = GetTickCount();
    for (HWND box : process.windows(DIALOG_CLASS)) {
        if (!IsWindow(box) || !IsWindowVisible(box)) continue;
        auto earlier = std::find_if(dismissed.begin(), dismissed.end(),
                                    [box](const auto& d) { return d.first == box; });
        if (earlier == dismissed.end()) {
            messages.push_back(message_box_text(box));
            dismissed.push_back({box, now});
        } else if (now - earlier->second >= DISMISS_AGAIN_MS) {
            earlier->second = now;
        } else {
            continue;
        }
        dismiss_message_box(box);
    }
    // A handle whose box is gone may come back as a new box.
    dismissed.erase(std::remove_if(dismissed.begin(), dismissed.end(),
                                   [](const auto& d) { return !IsWindow(d.first); }),
                    dismissed.end());
}

RunOutcome outcome_of_status(DWORD status, bool messages_seen) {
    switch (status) {
    case STATUS_NORMAL: return messages_seen ? RunOutcome::damage_reported : RunOutcome::clean;
    case STATUS_WRITE_FAILED: return RunOutcome::write_failed;
    case STATUS_STARTUP_FAILED: return RunOutcome::startup_failed;
    default: return RunOutcome::crashed;
    }
}

std::wstring joined(const std::wstring& folder, const std::wstring& name) {
    return folder.back() == L'\\' ? folder + name : folder + L"\\" + name;
}

}  // namespace

const char* outcome_name(RunOutcome outcome) {
    static const char* const NAMES[] = {"ended cleanly", "reported damage", "start-up failure",
                                        "write failure", "crash", "hang"};
    return NAMES[static_cast<int>(outcome)];
}

bool acceptable(RunOutcome outcome) {
    return outcome == RunOutcome::clean || outcome == RunOutcome::damage_reported ||
           outcome == RunOutcome::startup_failed;
}

SweepSandbox::SweepSandbox() {
    make_folder(root_ / RUNS_NAME);
    const std::wstring temp = wide(native(root_.path()).parent_path());
    for (const std::wstring& folder : {root_ / RUNS_NAME, root_.path(), temp, std::wstring(DRIVE_ROOT)})
        watched_.push_back({folder, folder_entries(folder)});
}

SandboxRun SweepSandbox::run(const Bytes& program_bytes, int n, DWORD limit_ms) {
    SandboxRun result;
    const std::wstring run_folder = root_ / RUNS_NAME + L"\\run-" + std::to_wstring(n);
    const std::wstring destination = run_folder + L"\\" + DESTINATION_NAME;
    const std::wstring program = run_folder + L"\\" + PROGRAM_NAME;
    make_folder(destination);
    write_file(program, program_bytes);

    const std::set<DWORD> handlers_before = process_ids(CRASH_HANDLER);
    std::set<DWORD> new_handlers;
    std::vector<std::pair<HWND, DWORD>> dismissed;
    UiProcess process;
    const DWORD start = GetTickCount();
    if (!process.start(program, destination)) {
        ADD_FAILURE() << "cannot start " << utf16_to_utf8(program);
        result.outcome = RunOutcome::startup_failed;
        return result;
    }
    // Waiting on the process ends the wait the moment it ends; between
    // waits, a look for message boxes and for Wine's crash handler.
    bool ended = false;
    while (!(ended = process.wait_exit(LOOK_EVERY_MS)) && GetTickCount() - start < limit_ms) {
        for (DWORD id : process_ids(CRASH_HANDLER))
            if (!handlers_before.count(id)) new_handlers.insert(id);
        if (!new_handlers.empty()) break;
        dismiss_boxes(process, dismissed, result.messages);
        if (result.messages.size() > MESSAGE_LIMIT) break;
    }
    if (!new_handlers.empty()) {
        for (DWORD id : new_handlers) end_process(id);
        process.kill();
        result.outcome = RunOutcome::crashed;
    } else if (!ended || result.messages.size() > MESSAGE_LIMIT) {
        process.kill();
        result.outcome = RunOutcome::hung;
    } else {
        result.outcome = outcome_of_status(process.exit_code(), !result.messages.empty());
    }
    result.exit_code = process.exit_code();
    result.milliseconds = GetTickCount() - start;

    result.strays = strays_after(run_folder);
    std::error_code error;
    fs::remove_all(native(run_folder), error);
    if (error)
        std::printf("  note: run folder %s not removed: %s\n", utf16_to_utf8(run_folder).c_str(),
                    error.message().c_str());
    return result;
}

std::vector<std::wstring> SweepSandbox::strays_after(const std::wstring& run_folder) {
    // Inside R only the program and the destination, whatever the latter holds.
    std::vector<std::wstring> strays;
    for (const std::wstring& name : folder_entries(run_folder))
        if (name != PROGRAM_NAME && name != DESTINATION_NAME) strays.push_back(joined(run_folder, name));
    // R itself is expected in runs; should its removal fail, later runs do not report it.
    watched_[0].known.insert(wide(native(run_folder).filename()));
    for (Watched& watched : watched_) {
        for (const std::wstring& name : folder_entries(watched.folder))
            if (watched.known.insert(name).second) strays.push_back(joined(watched.folder, name));
    }
    return strays;
}
