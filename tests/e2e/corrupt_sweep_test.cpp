// Damaged archives through the real stub: corpus archives of every header
// level and several methods, and archives of hostile names, cut short, with
// bits flipped or with one header field set to a value no archiver writes,
// each appended to a copy of the stub with lead byte 0 (no dialog, extraction
// into the current folder). The product's header reader tells where the
// member headers are, so that cuts, flips and values land in headers as often
// as in data. Whatever the damage, the program has to end by itself without
// crashing, and nothing may appear outside its destination.
//
// Each run has a sandbox: the sweep's folder S holds only "runs"; run n gets
// R = S\runs\run-n with R\setup.exe and its destination R\dest (its current
// folder). "..\..\.." from the destination is S itself, so the classic
// escapes land where the listings see them. Beyond S, the temporary folder
// and the drive root C:\ are compared with what they held at the start.
//
// The runs are drawn from a seed, so any run can be repeated alone:
//   VORNSFX_SWEEP_RUNS   runs to make (default 40, about two minutes)
//   VORNSFX_SWEEP_SEED   the seed (default below)
//   VORNSFX_SWEEP_FIRST  number of the first run (default 0)
//   VORNSFX_SWEEP_KEEP   folder that receives the program file of every failed run
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "Sfx/member_header.h"
#include "support/driver_win32.h"
#include "support/header_writer.h"
#include "support/hostile_archive.h"
#include "text/utf8.h"

namespace {

constexpr unsigned long long DEFAULT_RUNS = 40;
constexpr unsigned long long DEFAULT_SEED = 0x5EEDC0DE;
// A sound run takes two to three seconds under Wine; a busy machine may
// triple that.
constexpr DWORD SWEEP_RUN_LIMIT_MS = 30000;
constexpr DWORD END_LIMIT_MS = 10000;
// A box still showing this long after its OK was pressed is pressed again.
constexpr DWORD DISMISS_AGAIN_MS = 2000;
// Looking more often only slows Wine down: every look is a call to its server.
constexpr DWORD LOOK_EVERY_MS = 100;
// A damaged archive stops the run at its first message; a handful more means
// a box that keeps coming back.
constexpr size_t MESSAGE_LIMIT = 8;
constexpr DWORD EXIT_WRITE_FAILED = 1;
// Runs side by side: most of a run is Wine starting a process and waiting.
constexpr size_t RUNS_AT_ONCE = 4;
// Wine starts its debugger when a program fails with an exception; under a
// screen it then shows the crash dialog and the program waits for it.
constexpr wchar_t CRASH_HANDLER[] = L"winedbg.exe";

// Every method and header level is covered by some of these; the mixed ones
// hold many methods in one archive, so a damage early on meets later members.
const wchar_t* const CORPUS_ARCHIVES[] = {
    L"lh0-l0.lzh", L"lh1-l1.lzh", L"lh2-l2.lzh", L"lh3-l0.lzh", L"lh4-l1.lzh", L"lh5-l2.lzh",
    L"lh6-l0.lzh", L"lh7-l1.lzh", L"lzs-l2.lzh", L"lz5-l0.lzh", L"lz4-l1.lzh",
    L"mixed-l1.lzh", L"mixed-l2.lzh",
};

// A small generator with the same sequence on every platform (splitmix64).
class SweepRandom {
public:
    explicit SweepRandom(uint64_t seed) : state_(seed) {}
    size_t below(size_t bound) {
        uint64_t z = state_ += 0x9E3779B97F4A7C15ull;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return static_cast<size_t>((z ^ (z >> 31)) % bound);
    }

private:
    uint64_t state_;
};

// ---- Damage

const char* const DAMAGE_KINDS[] = {"cut in header", "cut in data", "bit flips",
                                    "header bit flips", "absurd header value"};
constexpr size_t MAX_FLIPS = 8;
// Written over 1, 2 or 4 bytes among a header's first BASE_FIELDS, these hit
// sizes, levels, lengths, method ids and the first link of the extended
// header chain with the values no archiver writes.
constexpr size_t BASE_FIELDS = 26;
const uint32_t ABSURD_VALUES[] = {0, 1, 2, 3, 0x7F, 0xFF, 0x1000, 0xFFFF, 0x7FFFFFFF, 0x80000000,
                                  0xFFFFFFFF};

// Where one member lies in its archive: header, data, one past the data.
struct MemberLayout {
    size_t header, data, end;
};

std::vector<MemberLayout> member_layouts(const Bytes& archive) {
    BytesFile file(archive);
    std::vector<MemberLayout> members;
    CMemberHeader header;
    for (size_t at = 0; read_member_header(file.file(), nullptr, header) == HeaderRead::member;) {
        const size_t data = static_cast<size_t>(file.position());
        members.push_back({at, data, data + header.packed_size});
        at = static_cast<size_t>(file.file().seek(header.packed_size, FILE_CURRENT));
    }
    return members;
}

// archive damaged the given way, the choices taken from random; what says how.
Bytes damage(const Bytes& archive, size_t kind, SweepRandom& random, std::string& what) {
    std::vector<MemberLayout> members = member_layouts(archive);
    const bool in_data = kind == 1;
    if (in_data) {
        members.erase(std::remove_if(members.begin(), members.end(),
                                     [](const MemberLayout& m) { return m.end == m.data; }),
                      members.end());
    }
    if (members.empty()) {
        what = "no members found: left whole";
        return archive;
    }
    // A position inside a member's header or (in_data) its data.
    auto inside = [&](bool data) {
        const MemberLayout& m = members[random.below(members.size())];
        return data ? m.data + random.below(m.end - m.data)
                    : m.header + random.below(m.data - m.header);
    };
    Bytes out = archive;
    if (kind <= 1) {
        const size_t at = inside(in_data);
        what = "cut at " + std::to_string(at) + " of " + std::to_string(archive.size());
        return Bytes(archive.begin(), archive.begin() + static_cast<ptrdiff_t>(at));
    }
    if (kind <= 3) {
        what = "bits flipped at";
        for (size_t count = 1 + random.below(MAX_FLIPS); count > 0; --count) {
            const size_t at = kind == 3 ? inside(false) : random.below(archive.size());
            const size_t bit = random.below(8);
            out[at] ^= static_cast<uint8_t>(1u << bit);
            what += " " + std::to_string(at) + "." + std::to_string(bit);
        }
        return out;
    }
    const MemberLayout& m = members[random.below(members.size())];
    const size_t at = m.header + random.below(std::min(BASE_FIELDS, m.data - m.header));
    const size_t width = size_t{1} << random.below(3);
    const uint32_t value = ABSURD_VALUES[random.below(std::size(ABSURD_VALUES))];
    what = std::to_string(width) + " bytes at " + std::to_string(at) + " set to " +
           std::to_string(value);
    for (size_t i = 0; i < width && at + i < out.size(); ++i)
        out[at + i] = static_cast<uint8_t>(value >> (8 * i));
    return out;
}

// ---- Sandboxed runs

enum class Outcome { clean, damage_reported, startup_failed, write_failed, crashed, hung };
const char* const OUTCOME_NAMES[] = {"ended cleanly", "reported damage", "start-up failure",
                                     "write failure", "crash", "hang"};

// The outcomes a sound program may have on damaged input.
bool acceptable(Outcome outcome) {
    return outcome == Outcome::clean || outcome == Outcome::damage_reported ||
           outcome == Outcome::startup_failed;
}

struct SandboxRun {
    unsigned long long n = 0;
    Bytes program;
    std::string what;  // the damage done
    UiProcess process;
    std::map<HWND, DWORD> pressed;  // message box -> when its OK was pressed
    Outcome outcome = Outcome::hung;
    std::vector<std::wstring> strays;  // entries that appeared outside the destination
};

class SweepSandbox {
public:
    SweepSandbox() {
        make_folder(runs_);
        for (const std::wstring& folder :
             {runs_, root_.path(), wide(native(root_.path()).parent_path()), std::wstring(L"C:")})
            watched_.push_back({folder, folder_entries(folder + L"\\")});
    }
    // S: hostile names aim here.
    const std::wstring& folder() const { return root_.path(); }

    // Runs the programs side by side, each as setup.exe of its own run folder,
    // dismissing every message box, and tells how each ended. Strays inside a
    // run folder are that run's; those elsewhere go to the batch's first run.
    void run(std::vector<SandboxRun>& batch) {
        const std::set<DWORD> handlers_before = process_ids(CRASH_HANDLER);
        for (SandboxRun& run : batch) {
            make_folder(run_folder(run) + L"\\dest");
            write_file(run_folder(run) + L"\\setup.exe", run.program);
            EXPECT_TRUE(
                run.process.start(run_folder(run) + L"\\setup.exe", run_folder(run) + L"\\dest"));
        }
        for (const DWORD start = GetTickCount(); GetTickCount() - start < SWEEP_RUN_LIMIT_MS;
             Sleep(LOOK_EVERY_MS)) {
            // Wine's crash handler ends; the program it held then ends with its exception.
            for (DWORD id : process_ids(CRASH_HANDLER))
                if (!handlers_before.count(id)) end_process(id);
            bool all_ended = true;
            for (SandboxRun& run : batch)
                if (run.process.running() && run.pressed.size() <= MESSAGE_LIMIT) {
                    all_ended = false;
                    dismiss_boxes(run);
                }
            if (all_ended) break;
        }
        for (SandboxRun& run : batch) {
            if (!run.process.running() && run.pressed.size() <= MESSAGE_LIMIT)
                run.outcome = outcome_of_status(run.process.exit_code(), !run.pressed.empty());
            run.process.kill();
            run.strays = strays_after(run_folder(run));
            std::error_code error;
            fs::remove_all(native(run_folder(run)), error);
        }
        for (const std::wstring& stray : elsewhere()) batch.front().strays.push_back(stray);
    }

private:
    // A folder outside the destinations and the names it may hold: those it
    // held at the start, and those reported since (each stray is reported once).
    struct Watched {
        std::wstring folder;
        std::set<std::wstring> known;
    };

    std::wstring run_folder(const SandboxRun& run) const {
        return runs_ + L"\\run-" + std::to_wstring(run.n);
    }

    static void end_process(DWORD id) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
        if (!process) return;
        TerminateProcess(process, 1);
        WaitForSingleObject(process, END_LIMIT_MS);
        CloseHandle(process);
    }

    // Presses OK on every box the program shows, and again on one still
    // there DISMISS_AGAIN_MS after its OK; a handle whose box is gone may
    // come back as a new box (so a message is counted once per handle).
    static void dismiss_boxes(SandboxRun& run) {
        const DWORD now = GetTickCount();
        for (HWND box : run.process.windows(DIALOG_CLASS)) {
            auto earlier = run.pressed.find(box);
            if (!IsWindowVisible(box) ||
                (earlier != run.pressed.end() && now - earlier->second < DISMISS_AGAIN_MS))
                continue;
            run.pressed[box] = now;
            press(box, IDOK);
        }
    }

    static Outcome outcome_of_status(DWORD status, bool messages) {
        switch (status) {
        case EXIT_NORMAL: return messages ? Outcome::damage_reported : Outcome::clean;
        case EXIT_WRITE_FAILED: return Outcome::write_failed;
        case EXIT_STARTUP_FAILED: return Outcome::startup_failed;
        default: return Outcome::crashed;
        }
    }

    // Inside R only the program and the destination, whatever the latter holds.
    std::vector<std::wstring> strays_after(const std::wstring& folder) {
        std::vector<std::wstring> strays;
        for (const std::wstring& name : folder_entries(folder))
            if (name != L"setup.exe" && name != L"dest") strays.push_back(folder + L"\\" + name);
        // R itself is expected in runs; should its removal fail, later runs do not report it.
        watched_[0].known.insert(wide(native(folder).filename()));
        return strays;
    }

    std::vector<std::wstring> elsewhere() {
        std::vector<std::wstring> strays;
        for (Watched& watched : watched_)
            for (const std::wstring& name : folder_entries(watched.folder + L"\\"))
                if (watched.known.insert(name).second)
                    strays.push_back(watched.folder + L"\\" + name);
        return strays;
    }

    TempDir root_;
    std::wstring runs_ = root_ / L"runs";
    std::vector<Watched> watched_;  // runs, root, temporary folder, drive root
};

unsigned long long setting(const char* variable, unsigned long long fallback) {
    const char* value = std::getenv(variable);
    return value && *value ? std::strtoull(value, nullptr, 0) : fallback;
}

}  // namespace

TEST(CorruptSweep, DamagedArchivesEndByThemselvesAndWriteOnlyIntoTheirDestination) {
    const unsigned long long runs = setting("VORNSFX_SWEEP_RUNS", DEFAULT_RUNS);
    const unsigned long long seed = setting("VORNSFX_SWEEP_SEED", DEFAULT_SEED);
    const unsigned long long first = setting("VORNSFX_SWEEP_FIRST", 0);
    const char* keep = std::getenv("VORNSFX_SWEEP_KEEP");

    SweepSandbox sandbox;
    std::vector<std::pair<std::string, Bytes>> sources;  // name, archive
    for (const wchar_t* file : CORPUS_ARCHIVES)
        sources.push_back({shown(file), corpus_archive(file)});
    for (const NameStyle& style : NAME_STYLES)
        sources.push_back({std::string("hostile names, ") + style.description,
                           hostile_archive(hostile_names(sandbox.folder()), style)});
    Bytes stub = stub_image();
    stub.push_back(0);  // lead byte 0: no dialog, the current folder
    ASSERT_FALSE(HasFailure()) << "stub or corpus missing";

    std::map<std::string, int> tally;  // "damage: outcome" -> runs
    for (unsigned long long batch_start = first; batch_start < first + runs;
         batch_start += RUNS_AT_ONCE) {
        std::vector<SandboxRun> batch(
            std::min<unsigned long long>(RUNS_AT_ONCE, first + runs - batch_start));
        for (SandboxRun& run : batch) {
            run.n = batch_start + (&run - batch.data());
            SweepRandom random(seed + run.n);
            const auto& [source, archive] = sources[random.below(sources.size())];
            // Kinds in turn, so every count of runs spreads evenly over them.
            const size_t kind = run.n % std::size(DAMAGE_KINDS);
            run.program = concat({stub, damage(archive, kind, random, run.what)});
            run.what = std::string(DAMAGE_KINDS[kind]) + ", " + source + ": " + run.what;
        }
        sandbox.run(batch);
        for (const SandboxRun& run : batch) {
            const char* outcome = OUTCOME_NAMES[static_cast<int>(run.outcome)];
            ++tally[run.what.substr(0, run.what.find(',')) + ": " + outcome];
            std::printf("run %llu: %s -> %s (status 0x%lx, %zu messages)\n", run.n,
                        run.what.c_str(), outcome,
                        static_cast<unsigned long>(run.process.exit_code()), run.pressed.size());
            for (const std::wstring& stray : run.strays)
                ADD_FAILURE() << "run " << run.n << " (or one beside it) left " << shown(stray);
            if (!acceptable(run.outcome))
                ADD_FAILURE() << "run " << run.n << " (" << run.what << "): " << outcome;
            if ((!acceptable(run.outcome) || !run.strays.empty()) && keep && *keep) {
                const std::wstring folder = path_from_environment("VORNSFX_SWEEP_KEEP");
                const std::wstring kept = folder + L"\\sweep-" + std::to_wstring(seed) + L"-" +
                                          std::to_wstring(run.n) + L".exe";
                make_folder(folder);
                write_file(kept, run.program);
                std::printf("  kept: %s\n", shown(kept).c_str());
            }
        }
        std::fflush(stdout);
    }
    std::printf("sweep: %llu runs, seed 0x%llx\n", runs, seed);
    for (const auto& [kind_and_outcome, count] : tally)
        std::printf("  %s: %d\n", kind_and_outcome.c_str(), count);
}
