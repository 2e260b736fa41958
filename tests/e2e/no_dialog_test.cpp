// Programs without a dialog (lead byte 0), run side by side. Every committed
// corpus archive behind the stub extracts to the tree that lhasa extracted
// from it, each file with the archive's time stamp.
//
// The corrupt sweep: the same corpus archives and archives of hostile names,
// cut short, with bits flipped or with one header field set to a value no
// archiver writes. The product's header reader tells where the member headers
// are, so that cuts, flips and values land in headers as often as in data.
// Whatever the damage, the program has to end by itself without crashing, and
// nothing may appear outside its destination.
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
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>

#include "Sfx/member_header.h"
#include "support/corpus.h"
#include "support/driver_win32.h"
#include "support/header_writer.h"
#include "text/utf8.h"

namespace {

// The corpus was stamped 2021-06-15 12:34:56 UTC; levels 0 and 1 hold that as
// an MS-DOS time, which the stub reads as local time.
constexpr int64_t CORPUS_STAMP = 1623760496;

constexpr unsigned long long DEFAULT_RUNS = 40;
constexpr unsigned long long DEFAULT_SEED = 0x5EEDC0DE;
// A sound run takes two to three seconds under Wine; a busy machine may
// triple that.
constexpr DWORD SWEEP_RUN_LIMIT_MS = 30000;

// ---- Damage

size_t below(std::mt19937_64& random, size_t bound) {
    return static_cast<size_t>(random() % bound);
}

enum Damage { CUT_IN_HEADER, CUT_IN_DATA, BIT_FLIPS, HEADER_BIT_FLIPS, ABSURD_VALUE };
const char* const DAMAGE_KINDS[] = {"cut in header", "cut in data", "bit flips", "header bit flips",
                                    "absurd header value"};
constexpr size_t MAX_FLIPS = 8;
// Written over 1, 2 or 4 bytes among a header's first BASE_FIELDS, these hit
// sizes, levels, lengths, method ids and the first link of the extended
// header chain with the values no archiver writes.
constexpr size_t BASE_FIELDS = 26;
const uint32_t ABSURD_VALUES[] = {0,      1,      2,          3,          0x7F,      0xFF,
                                  0x1000, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};

// Where one member lies in its archive: header, data, one past the data.
struct MemberLayout {
    size_t header, data, end;
};

std::vector<MemberLayout> member_layouts(const Bytes& archive) {
    BytesFile file(archive);
    std::vector<MemberLayout> members;
    CMemberHeader header;
    for (size_t at = 0; read_member_header(file.file(), nullptr, header) == HeaderRead::member;) {
        const size_t data = static_cast<size_t>(file.file().seek(0, FILE_CURRENT));
        members.push_back({at, data, data + header.packed_size});
        at = static_cast<size_t>(file.file().seek(header.packed_size, FILE_CURRENT));
    }
    return members;
}

// archive damaged the given way, the choices taken from random.
Bytes damage(const Bytes& archive, size_t kind, std::mt19937_64& random) {
    std::vector<MemberLayout> members = member_layouts(archive);
    if (kind == CUT_IN_DATA) {
        members.erase(std::remove_if(members.begin(), members.end(),
                                     [](const MemberLayout& m) { return m.end == m.data; }),
                      members.end());
    }
    if (members.empty()) return archive;
    // A position in a member's data, or among the first limit bytes of its header.
    auto inside = [&](bool data, size_t limit = SIZE_MAX) {
        const MemberLayout& m = members[below(random, members.size())];
        return data ? m.data + below(random, m.end - m.data)
                    : m.header + below(random, std::min(limit, m.data - m.header));
    };
    Bytes out = archive;
    if (kind == CUT_IN_HEADER || kind == CUT_IN_DATA) {
        out.resize(inside(kind == CUT_IN_DATA));
    } else if (kind == BIT_FLIPS || kind == HEADER_BIT_FLIPS) {
        for (size_t count = 1 + below(random, MAX_FLIPS); count > 0; --count) {
            const size_t at = kind == BIT_FLIPS ? below(random, out.size()) : inside(false);
            out[at] ^= static_cast<uint8_t>(1u << below(random, 8));
        }
    } else {
        const size_t at = inside(false, BASE_FIELDS);
        const size_t width = size_t{1} << below(random, 3);
        const uint32_t value = ABSURD_VALUES[below(random, std::size(ABSURD_VALUES))];
        for (size_t i = 0; i < width && at + i < out.size(); ++i)
            out[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
    return out;
}

// How a run ended; a sound program on damaged input ends cleanly, with a
// message, or at start-up.
const char* outcome(const BatchRun& run) {
    if (run.hung) return "hang";
    if (run.status == EXIT_STARTUP_FAILED) return "start-up failure";
    if (run.status != EXIT_NORMAL) return "crash or failure status";
    return run.messages.empty() ? "ended cleanly" : "reported damage";
}

// True when path holds exactly size bytes, all zero.
bool zero_file_of_size(const std::wstring& path, uint64_t size) {
    constexpr DWORD CHUNK = 1u << 20;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::vector<uint64_t> chunk(CHUNK / sizeof(uint64_t));
    uint64_t total = 0;
    bool zeros = true;
    for (DWORD got = 0; zeros && ReadFile(file, chunk.data(), CHUNK, &got, nullptr) && got > 0;
         total += got)
        zeros = std::all_of(chunk.begin(), chunk.begin() + (got + 7) / 8,
                            [](uint64_t word) { return word == 0; });
    CloseHandle(file);
    return zeros && total == size;
}

unsigned long long setting(const char* variable, unsigned long long fallback) {
    const char* value = std::getenv(variable);
    return value && *value ? std::strtoull(value, nullptr, 0) : fallback;
}

}  // namespace

// Every corpus archive, side by side with programs whose payload is missing
// or whose block is cut after its lead byte (the parse of every cut is the
// block reader's own test): those end at start-up.
TEST(NoDialog, EveryCorpusArchiveExtractsToTheIndependentTree) {
    const auto archives = read_corpus(path_from_environment("VORNSFX_CORPUS"));
    ASSERT_GE(archives.size(), 30u);
    TempDir dir;
    std::vector<BatchRun> runs;
    auto add = [&](const std::wstring& name, const Bytes& payload) {
        runs.push_back({dir / (name + L".exe"), dir / name});
        make_folder(runs.back().folder);
        write_sfx(runs.back().program, payload, Bytes());
    };
    add(L"no payload", Bytes());
    add(L"cut block", Bytes{1});
    for (const auto& members : archives) {
        const std::wstring name = utf8_to_utf16(members.front().archive);
        add(name, concat({Bytes(1, 0), corpus_archive(name)}));
    }
    run_side_by_side(runs, RUN_LIMIT_MS);
    for (size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(shown(runs[i].program));
        EXPECT_FALSE(runs[i].hung);
        EXPECT_TRUE(runs[i].messages.empty());
        if (i < 2) {
            EXPECT_EQ(runs[i].status, EXIT_STARTUP_FAILED);
            EXPECT_TRUE(folder_entries(runs[i].folder).empty()) << "something was extracted";
            continue;
        }
        EXPECT_EQ(runs[i].status, EXIT_NORMAL);
        const CorpusMember& member = archives[i - 2].front();
        Tree expected = corpus_tree(member.archive);
        const int64_t local = member.level == 2 ? 0 : local_time_zone_offset();
        for (auto& [path, entry] : expected) entry.mtime = CORPUS_STAMP + local;
        expect_same_tree(list_tree(runs[i].folder), expected, true);
    }
}

// A setup beyond 4 GiB: three members of 2,000,000,001 zero bytes, a few
// kilobytes of archive. Every byte comes out, and the bar's readings never
// fall and reach 100 only with the last member. A member is checked and
// removed as soon as the next one is shown, so the disk never holds two.
TEST(NoDialog, ASetupBeyond4GiBExtractsWholeAndItsBarNeverFallsBack) {
    constexpr uint32_t MEMBER_SIZE = 1 + 256u * 7812500;
    constexpr int MEMBERS = 3;
    constexpr DWORD BEYOND_4GIB_LIMIT_MS = 600000;
    auto name = [](int index) { return "z" + std::to_string(index) + ".bin"; };
    TempDir dir;
    const std::wstring work = dir / L"work";
    make_folder(work);
    Bytes archive;
    for (int i = 0; i < MEMBERS; ++i) archive = concat({archive, zeros_lh5(name(i), MEMBER_SIZE)});
    write_sfx(dir / L"setup.exe", Bytes(1, 0), concat({archive, Bytes{0}}));
    UiProcess stub;
    ASSERT_TRUE(stub.start(dir / L"setup.exe", work));
    HWND window = stub.wait_window(PROGRESS_WINDOW_CLASS);
    ASSERT_TRUE(window) << "no progress window";
    HWND label = FindWindowExW(window, nullptr, L"Static", nullptr);
    HWND bar = FindWindowExW(window, nullptr, PROGRESS_CLASSW, nullptr);
    int checked = 0;
    auto check_and_remove = [&] {
        const std::wstring path = work + L"\\" + utf8_to_utf16(name(checked++));
        EXPECT_TRUE(zero_file_of_size(path, MEMBER_SIZE)) << shown(path);
        DeleteFileW(path.c_str());
    };
    std::vector<std::pair<int, DWORD_PTR>> readings;  // member shown, bar position
    for (DWORD start = GetTickCount(); IsWindow(window);) {
        ASSERT_LT(GetTickCount() - start, BEYOND_4GIB_LIMIT_MS) << "the run does not end";
        const std::string text = shown(window_text(label));
        const int member = text.size() > 1 && text[0] == 'z' ? text[1] - '0' : -1;
        DWORD_PTR position = 0;
        const bool read =
            SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, POLL_MS * 10, &position);
        if (!IsWindow(window)) break;  // a window on its way out reads 0
        if (read && (readings.empty() || readings.back() != std::make_pair(member, position)))
            readings.push_back({member, position});
        while (checked < member) check_and_remove();
        Sleep(POLL_MS);
    }
    EXPECT_EQ(stub.finish(), EXIT_NORMAL);
    while (checked < MEMBERS) check_and_remove();
    std::string seen;
    for (size_t i = 0; i < readings.size(); ++i) {
        const auto& [member, position] = readings[i];
        seen += " " + std::to_string(position);
        if (i > 0) {
            EXPECT_GE(position, readings[i - 1].second) << "the bar fell back";
        }
        if (position >= 100) {
            EXPECT_EQ(member, MEMBERS - 1) << "full before the last member";
        }
    }
    std::printf("beyond 4 GiB: %d members of %u bytes; bar positions seen:%s\n", MEMBERS,
                MEMBER_SIZE, seen.c_str());
}

TEST(CorruptSweep, DamagedArchivesEndByThemselvesAndWriteOnlyIntoTheirDestination) {
    const unsigned long long runs = setting("VORNSFX_SWEEP_RUNS", DEFAULT_RUNS);
    const unsigned long long seed = setting("VORNSFX_SWEEP_SEED", DEFAULT_SEED);
    const unsigned long long first = setting("VORNSFX_SWEEP_FIRST", 0);

    TempDir sandbox;  // S: hostile names aim here
    const std::wstring runs_folder = sandbox / L"runs";
    make_folder(runs_folder);
    // The folders beyond the runs' own and the names each may hold: those of
    // the start, and those reported since (each stray is reported once).
    std::map<std::wstring, std::set<std::wstring>> known;
    for (const std::wstring& folder :
         {runs_folder, sandbox.path(), wide(native(sandbox.path()).parent_path()),
          std::wstring(L"C:")})
        known[folder] = folder_entries(folder + L"\\");
    std::vector<std::pair<std::string, Bytes>> sources;  // name, archive
    for (const auto& members : read_corpus(path_from_environment("VORNSFX_CORPUS")))
        sources.push_back(
            {members.front().archive, corpus_archive(utf8_to_utf16(members.front().archive))});
    for (const auto& [style, archive] : hostile_archives(hostile_names(sandbox.path())))
        sources.push_back({"hostile names, " + style, archive});
    Bytes stub = stub_image();
    stub.push_back(0);  // lead byte 0: no dialog, the current folder
    ASSERT_FALSE(HasFailure()) << "stub or corpus missing";

    std::map<std::string, int> tally;  // "damage: outcome" -> runs
    for (unsigned long long n = first; n < first + runs; n += RUNS_AT_ONCE) {
        std::vector<BatchRun> batch;
        std::vector<std::string> what;  // "damage, source"
        for (unsigned long long i = n; i < std::min(n + RUNS_AT_ONCE, first + runs); ++i) {
            std::mt19937_64 random(seed + i);
            const auto& [source, archive] = sources[below(random, sources.size())];
            // Kinds in turn, so every count of runs spreads evenly over them.
            const size_t kind = i % std::size(DAMAGE_KINDS);
            what.push_back(std::string(DAMAGE_KINDS[kind]) + ", " + source);
            const std::wstring run_folder = runs_folder + L"\\run-" + std::to_wstring(i);
            batch.push_back({run_folder + L"\\setup.exe", run_folder + L"\\dest"});
            make_folder(batch.back().folder);
            write_file(batch.back().program, concat({stub, damage(archive, kind, random)}));
        }
        run_side_by_side(batch, SWEEP_RUN_LIMIT_MS);
        for (size_t i = 0; i < batch.size(); ++i) {
            const BatchRun& run = batch[i];
            const std::string label = "run " + std::to_string(n + i);
            const bool sound =
                !run.hung && (run.status == EXIT_NORMAL || run.status == EXIT_STARTUP_FAILED);
            EXPECT_TRUE(sound) << label << " (" << what[i] << "): " << outcome(run) << ", status "
                               << run.status;
            ++tally[what[i].substr(0, what[i].find(',')) + ": " + outcome(run)];
            // Inside its folder only the program and the destination.
            const fs::path run_folder = native(run.program).parent_path();
            EXPECT_EQ(folder_entries(wide(run_folder)),
                      (std::set<std::wstring>{L"dest", L"setup.exe"}))
                << label << " left something beside them";
            std::error_code error;
            fs::remove_all(run_folder, error);
        }
        for (auto& [folder, names] : known)
            for (const std::wstring& name : folder_entries(folder + L"\\"))
                // A run's own folder stays only when it could not be removed.
                if (names.insert(name).second && (folder != runs_folder || name.rfind(L"run-", 0)))
                    ADD_FAILURE() << "run " << n << " or one beside it left "
                                  << shown(folder + L"\\" + name);
    }
    std::printf("sweep: %llu runs, seed 0x%llx\n", runs, seed);
    for (const auto& [kind_and_outcome, count] : tally)
        std::printf("  %s: %d\n", kind_and_outcome.c_str(), count);
}
