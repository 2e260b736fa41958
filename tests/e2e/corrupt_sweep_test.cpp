// Damaged archives through the real stub: corpus archives of every header
// level and several methods, and archives of hostile names, cut short, with
// bits flipped or with absurd header fields, each appended to a copy of the
// stub with lead byte 0 (no dialog, extraction into the current folder) and
// run in a sandbox of its own. Whatever the damage, the program has to end by
// itself without crashing, and nothing may appear outside its destination.
//
// The runs are drawn from a seed, so any run can be repeated alone:
//   VORNSFX_SWEEP_RUNS   runs to make (default 40, about two minutes)
//   VORNSFX_SWEEP_SEED   the seed (default below)
//   VORNSFX_SWEEP_FIRST  number of the first run (default 0)
//   VORNSFX_SWEEP_KEEP   folder that receives the program file of every failed run
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>

#include "archive_damage.h"
#include "sfx_files.h"
#include "support/hostile_archive.h"
#include "sweep_sandbox.h"
#include "text/utf8.h"

namespace {

constexpr unsigned long long DEFAULT_RUNS = 40;
constexpr unsigned long long DEFAULT_SEED = 0x5EEDC0DE;
// A sound run takes two to three seconds under Wine; a busy machine may
// triple that.
constexpr DWORD RUN_LIMIT_MS = 30000;

// Every method and header level is covered by some of these; the mixed ones
// hold many methods in one archive, so a damage early on meets later members.
const wchar_t* const CORPUS_ARCHIVES[] = {
    L"lh0-l0.lzh", L"lh1-l1.lzh", L"lh2-l2.lzh", L"lh3-l0.lzh", L"lh4-l1.lzh", L"lh5-l2.lzh",
    L"lh6-l0.lzh", L"lh7-l1.lzh", L"lzs-l2.lzh", L"lz5-l0.lzh", L"lz4-l1.lzh",
    L"mixed-l1.lzh", L"mixed-l2.lzh",
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
        sources.push_back({utf16_to_utf8(file), corpus_archive(file)});
    for (const NameStyle& style : NAME_STYLES)
        sources.push_back({std::string("hostile names, ") + style.description,
                           hostile_archive(hostile_names(sandbox.folder()), style)});
    const Bytes stub = stub_image();
    ASSERT_FALSE(HasFailure()) << "stub or corpus missing";

    std::map<std::string, int> tally;  // "damage: outcome" -> runs
    const DWORD start = GetTickCount();
    for (unsigned long long n = first; n < first + runs; ++n) {
        // Kinds in turn, so every count of runs spreads evenly over them.
        const DamageKind kind = static_cast<DamageKind>(n % DAMAGE_KINDS);
        SweepRandom random(seed + n);
        const auto& [source, archive] = sources[random.below(sources.size())];
        const DamagedArchive damaged = damage(archive, kind, random);

        Bytes program = stub;
        program.push_back(0);  // lead byte 0: no dialog, the current folder
        program.insert(program.end(), damaged.bytes.begin(), damaged.bytes.end());
        SandboxRun run = sandbox.run(program, static_cast<int>(n), RUN_LIMIT_MS);
        ++tally[std::string(damage_name(kind)) + ": " + outcome_name(run.outcome)];
        std::printf("run %llu: %s, %s: %s -> %s (status 0x%lx, %zu messages, %.1f s)\n", n,
                    damage_name(kind), source.c_str(), damaged.what.c_str(),
                    outcome_name(run.outcome), static_cast<unsigned long>(run.exit_code),
                    run.messages.size(), run.milliseconds / 1000.0);
        std::fflush(stdout);

        for (const std::wstring& stray : run.strays)
            ADD_FAILURE() << "run " << n << " left " << utf16_to_utf8(stray);
        if (!acceptable(run.outcome))
            ADD_FAILURE() << "run " << n << " (" << damaged.what << "): "
                          << outcome_name(run.outcome) << ", status 0x" << std::hex
                          << run.exit_code;
        if ((!acceptable(run.outcome) || !run.strays.empty()) && keep && *keep) {
            const std::wstring folder = path_from_environment("VORNSFX_SWEEP_KEEP");
            make_folder(folder);
            char name[64];
            std::snprintf(name, sizeof name, "\\sweep-0x%llx-%llu.exe", seed, n);
            const std::wstring kept = folder + utf8_to_utf16(name);
            write_file(kept, program);
            std::printf("  kept: %s\n", utf16_to_utf8(kept).c_str());
        }
    }
    std::printf("sweep: %llu runs, seed 0x%llx, %.0f s\n", runs, seed,
                (GetTickCount() - start) / 1000.0);
    for (const auto& [kind_and_outcome, count] : tally)
        std::printf("  %s: %d\n", kind_and_outcome.c_str(), count);
}
