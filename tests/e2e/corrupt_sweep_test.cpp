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
#include <random>

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
constexpr DWORD EXIT_WRITE_FAILED = 1;

// Every method and header level is covered by some of these; the mixed ones
// hold many methods in one archive, so a damage early on meets later members.
const wchar_t* const CORPUS_ARCHIVES[] = {
    L"lh0-l0.lzh", L"lh1-l1.lzh", L"lh2-l2.lzh", L"lh3-l0.lzh", L"lh4-l1.lzh", L"lh5-l2.lzh",
    L"lh6-l0.lzh", L"lh7-l1.lzh", L"lzs-l2.lzh", L"lz5-l0.lzh", L"lz4-l1.lzh",
    L"mixed-l1.lzh", L"mixed-l2.lzh",
};

// ---- Damage

size_t below(std::mt19937_64& random, size_t bound) {
    return static_cast<size_t>(random() % bound);
}

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
Bytes damage(const Bytes& archive, size_t kind, std::mt19937_64& random, std::string& what) {
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
        const MemberLayout& m = members[below(random, members.size())];
        return data ? m.data + below(random, m.end - m.data)
                    : m.header + below(random, m.data - m.header);
    };
    Bytes out = archive;
    if (kind <= 1) {
        const size_t at = inside(in_data);
        what = "cut at " + std::to_string(at) + " of " + std::to_string(archive.size());
        return Bytes(archive.begin(), archive.begin() + static_cast<ptrdiff_t>(at));
    }
    if (kind <= 3) {
        what = "bits flipped at";
        for (size_t count = 1 + below(random, MAX_FLIPS); count > 0; --count) {
            const size_t at = kind == 3 ? inside(false) : below(random, archive.size());
            const size_t bit = below(random, 8);
            out[at] ^= static_cast<uint8_t>(1u << bit);
            what += " " + std::to_string(at) + "." + std::to_string(bit);
        }
        return out;
    }
    const MemberLayout& m = members[below(random, members.size())];
    const size_t at = m.header + below(random, std::min(BASE_FIELDS, m.data - m.header));
    const size_t width = size_t{1} << below(random, 3);
    const uint32_t value = ABSURD_VALUES[below(random, std::size(ABSURD_VALUES))];
    what = std::to_string(width) + " bytes at " + std::to_string(at) + " set to " +
           std::to_string(value);
    for (size_t i = 0; i < width && at + i < out.size(); ++i)
        out[at + i] = static_cast<uint8_t>(value >> (8 * i));
    return out;
}

// ---- Sandboxed runs

// How a run ended; a sound program on damaged input ends cleanly, with a
// message, or at start-up.
const char* outcome(const BatchRun& run) {
    if (run.hung) return "hang";
    switch (run.status) {
    case EXIT_NORMAL: return run.messages.empty() ? "ended cleanly" : "reported damage";
    case EXIT_STARTUP_FAILED: return "start-up failure";
    case EXIT_WRITE_FAILED: return "write failure";
    default: return "crash";
    }
}

bool acceptable(const BatchRun& run) {
    return !run.hung && (run.status == EXIT_NORMAL || run.status == EXIT_STARTUP_FAILED);
}

// The folders outside the destinations and the names each may hold: those it
// held at the start, and those reported since (each stray is reported once).
class Watched {
public:
    explicit Watched(const std::vector<std::wstring>& folders) {
        for (const std::wstring& folder : folders) known_[folder] = folder_entries(folder + L"\\");
    }
    std::vector<std::wstring> strays() {
        std::vector<std::wstring> found;
        for (auto& [folder, known] : known_)
            for (const std::wstring& name : folder_entries(folder + L"\\"))
                if (known.insert(name).second) found.push_back(folder + L"\\" + name);
        return found;
    }

private:
    std::map<std::wstring, std::set<std::wstring>> known_;
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

    TempDir sandbox;  // S: hostile names aim here
    const std::wstring runs_folder = sandbox / L"runs";
    make_folder(runs_folder);
    Watched watched({runs_folder, sandbox.path(), wide(native(sandbox.path()).parent_path()),
                     L"C:"});
    std::vector<std::pair<std::string, Bytes>> sources;  // name, archive
    for (const wchar_t* file : CORPUS_ARCHIVES)
        sources.push_back({shown(file), corpus_archive(file)});
    for (const NameStyle& style : NAME_STYLES)
        sources.push_back({std::string("hostile names, ") + style.description,
                           hostile_archive(hostile_names(sandbox.path()), style)});
    Bytes stub = stub_image();
    stub.push_back(0);  // lead byte 0: no dialog, the current folder
    ASSERT_FALSE(HasFailure()) << "stub or corpus missing";

    std::map<std::string, int> tally;  // "damage: outcome" -> runs
    for (unsigned long long n = first; n < first + runs; n += RUNS_AT_ONCE) {
        std::vector<BatchRun> batch;
        std::vector<std::string> what(std::min<unsigned long long>(RUNS_AT_ONCE, first + runs - n));
        for (size_t i = 0; i < what.size(); ++i) {
            std::mt19937_64 random(seed + n + i);
            const auto& [source, archive] = sources[below(random, sources.size())];
            // Kinds in turn, so every count of runs spreads evenly over them.
            const size_t kind = (n + i) % std::size(DAMAGE_KINDS);
            const Bytes program = concat({stub, damage(archive, kind, random, what[i])});
            what[i] = std::string(DAMAGE_KINDS[kind]) + ", " + source + ": " + what[i];
            const std::wstring run_folder = runs_folder + L"\\run-" + std::to_wstring(n + i);
            batch.emplace_back(run_folder + L"\\setup.exe", run_folder + L"\\dest");
            make_folder(batch[i].folder);
            write_file(batch[i].program, program);
        }
        run_side_by_side(batch, SWEEP_RUN_LIMIT_MS);
        for (size_t i = 0; i < batch.size(); ++i) {
            // Inside its folder only the program and the destination.
            const fs::path run_folder = native(batch[i].program).parent_path();
            std::vector<std::wstring> strays;
            for (const std::wstring& name : folder_entries(wide(run_folder)))
                if (name != L"setup.exe" && name != L"dest") strays.push_back(name);
            ++tally[what[i].substr(0, what[i].find(',')) + ": " + outcome(batch[i])];
            std::printf("run %llu: %s -> %s (status 0x%lx, %zu messages)\n", n + i,
                        what[i].c_str(), outcome(batch[i]),
                        static_cast<unsigned long>(batch[i].status), batch[i].messages.size());
            for (const std::wstring& stray : strays)
                ADD_FAILURE() << "run " << n + i << " left " << shown(stray);
            EXPECT_TRUE(acceptable(batch[i])) << "run " << n + i << " (" << what[i] << ")";
            if ((!acceptable(batch[i]) || !strays.empty()) && keep && *keep) {
                const std::wstring kept = path_from_environment("VORNSFX_SWEEP_KEEP") +
                                          L"\\sweep-" + std::to_wstring(seed) + L"-" +
                                          std::to_wstring(n + i) + L".exe";
                make_folder(wide(native(kept).parent_path()));
                fs::copy_file(native(batch[i].program), native(kept));
                std::printf("  kept: %s\n", shown(kept).c_str());
            }
            std::error_code error;
            fs::remove_all(run_folder, error);
        }
        for (const std::wstring& stray : watched.strays())
            if (stray.rfind(runs_folder + L"\\run-", 0) != 0)
                ADD_FAILURE() << "run " << n << " or one beside it left " << shown(stray);
        std::fflush(stdout);
    }
    std::printf("sweep: %llu runs, seed 0x%llx\n", runs, seed);
    for (const auto& [kind_and_outcome, count] : tally)
        std::printf("  %s: %d\n", kind_and_outcome.c_str(), count);
}
