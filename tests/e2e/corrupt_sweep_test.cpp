// Damaged archives through the real stub: the committed corpus archives (every
// method and header level, and mixed ones, where a damage early on meets later
// members), and archives of hostile names, cut short, with
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
#include <random>

#include "Sfx/member_header.h"
#include "support/corpus.h"
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
        const size_t data = static_cast<size_t>(file.position());
        members.push_back({at, data, data + header.packed_size});
        at = static_cast<size_t>(file.file().seek(header.packed_size, FILE_CURRENT));
    }
    return members;
}

// archive damaged the given way, the choices taken from random; what says how.
Bytes damage(const Bytes& archive, size_t kind, std::mt19937_64& random, std::string& what) {
    std::vector<MemberLayout> members = member_layouts(archive);
    if (kind == CUT_IN_DATA) {
        members.erase(std::remove_if(members.begin(), members.end(),
                                     [](const MemberLayout& m) { return m.end == m.data; }),
                      members.end());
    }
    if (members.empty()) {
        what = "no members found: left whole";
        return archive;
    }
    // A position in a member's data, or among the first limit bytes of its header.
    auto inside = [&](bool data, size_t limit = SIZE_MAX) {
        const MemberLayout& m = members[below(random, members.size())];
        return data ? m.data + below(random, m.end - m.data)
                    : m.header + below(random, std::min(limit, m.data - m.header));
    };
    Bytes out = archive;
    if (kind == CUT_IN_HEADER || kind == CUT_IN_DATA) {
        out.resize(inside(kind == CUT_IN_DATA));
        what = "cut at " + std::to_string(out.size()) + " of " + std::to_string(archive.size());
    } else if (kind == BIT_FLIPS || kind == HEADER_BIT_FLIPS) {
        what = "bits flipped at";
        for (size_t count = 1 + below(random, MAX_FLIPS); count > 0; --count) {
            const size_t at = kind == BIT_FLIPS ? below(random, out.size()) : inside(false);
            const size_t bit = below(random, 8);
            out[at] ^= static_cast<uint8_t>(1u << bit);
            what += " " + std::to_string(at) + "." + std::to_string(bit);
        }
    } else {
        const size_t at = inside(false, BASE_FIELDS);
        const size_t width = size_t{1} << below(random, 3);
        const uint32_t value = ABSURD_VALUES[below(random, std::size(ABSURD_VALUES))];
        what = std::to_string(width) + " bytes at " + std::to_string(at) + " set to " +
               std::to_string(value);
        for (size_t i = 0; i < width && at + i < out.size(); ++i)
            out[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
    return out;
}

// How a run ended; a sound program on damaged input ends cleanly, with a
// message, or at start-up.
const char* outcome(const BatchRun& run) {
    if (run.hung) return "hang";
    switch (run.status) {
    case EXIT_NORMAL: return run.messages.empty() ? "ended cleanly" : "reported damage";
    case EXIT_STARTUP_FAILED: return "start-up failure";
    default: return "crash or failure status";
    }
}

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
    for (const NameStyle& style : NAME_STYLES)
        sources.push_back({std::string("hostile names, ") + style.description,
                           hostile_archive(hostile_names(sandbox.path()), style)});
    Bytes stub = stub_image();
    stub.push_back(0);  // lead byte 0: no dialog, the current folder
    ASSERT_FALSE(HasFailure()) << "stub or corpus missing";

    std::map<std::string, int> tally;  // "damage: outcome" -> runs
    for (unsigned long long n = first; n < first + runs; n += RUNS_AT_ONCE) {
        std::vector<BatchRun> batch;
        std::vector<std::string> what;
        for (unsigned long long i = n; i < std::min(n + RUNS_AT_ONCE, first + runs); ++i) {
            std::mt19937_64 random(seed + i);
            const auto& [source, archive] = sources[below(random, sources.size())];
            // Kinds in turn, so every count of runs spreads evenly over them.
            const size_t kind = i % std::size(DAMAGE_KINDS);
            std::string how;
            const Bytes program = concat({stub, damage(archive, kind, random, how)});
            what.push_back(std::string(DAMAGE_KINDS[kind]) + ", " + source + ": " + how);
            const std::wstring run_folder = runs_folder + L"\\run-" + std::to_wstring(i);
            batch.emplace_back(run_folder + L"\\setup.exe", run_folder + L"\\dest");
            make_folder(batch.back().folder);
            write_file(batch.back().program, program);
        }
        run_side_by_side(batch, SWEEP_RUN_LIMIT_MS);
        for (size_t i = 0; i < batch.size(); ++i) {
            const BatchRun& run = batch[i];
            const std::string label = "run " + std::to_string(n + i);
            const bool sound =
                !run.hung && (run.status == EXIT_NORMAL || run.status == EXIT_STARTUP_FAILED);
            EXPECT_TRUE(sound) << label << " (" << what[i] << ")";
            ++tally[what[i].substr(0, what[i].find(',')) + ": " + outcome(run)];
            std::printf("%s: %s -> %s (status 0x%lx, %zu messages)\n", label.c_str(),
                        what[i].c_str(), outcome(run), static_cast<unsigned long>(run.status),
                        run.messages.size());
            // Inside its folder only the program and the destination.
            const fs::path run_folder = native(run.program).parent_path();
            std::set<std::wstring> strays = folder_entries(wide(run_folder));
            strays.erase(L"setup.exe");
            strays.erase(L"dest");
            for (const std::wstring& stray : strays)
                ADD_FAILURE() << label << " left " << shown(stray);
            if ((!sound || !strays.empty()) && keep && *keep) {
                const std::wstring kept = path_from_environment("VORNSFX_SWEEP_KEEP") +
                                          L"\\sweep-" + std::to_wstring(seed) + L"-" +
                                          std::to_wstring(n + i) + L".exe";
                make_folder(wide(native(kept).parent_path()));
                fs::copy_file(native(run.program), native(kept));
                std::printf("  kept: %s\n", shown(kept).c_str());
            }
            std::error_code error;
            fs::remove_all(run_folder, error);
        }
        for (auto& [folder, names] : known)
            for (const std::wstring& name : folder_entries(folder + L"\\"))
                // A run's own folder stays only when it could not be removed.
                if (names.insert(name).second && (folder != runs_folder || name.rfind(L"run-", 0)))
                    ADD_FAILURE() << "run " << n << " or one beside it left "
                                  << shown(folder + L"\\" + name);
        std::fflush(stdout);
    }
    std::printf("sweep: %llu runs, seed 0x%llx\n", runs, seed);
    for (const auto& [kind_and_outcome, count] : tally)
        std::printf("  %s: %d\n", kind_and_outcome.c_str(), count);
}
