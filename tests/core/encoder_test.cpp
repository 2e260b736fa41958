// The parses against a scan of the dictionary: greedy takes the longest, nearest match at once; lazy the one
// worth most, unless a better one starts a byte (or, for a short one, two bytes) on, by its rule with and
// without prices; dear matches become literals; at fixed code lengths the optimal parse is cheapest.
// Pieces: their streams joined at any bit read as one, and jobs on threads are taken in order; a head
// start's pieces make the same archive, up to its bound, and leave what fails to the writer; a worker
// started away from its maker may still run wherever its maker may. The archive output: through a
// buffer of any size, the same file as writing and seeking straight to it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <future>
#include <map>
#include <mutex>
#include <numeric>
#include <random>
#include <thread>

#include "encoder/archive_output.h"
#include "encoder/head_start.h"
#include "encoder/member_pieces.h"
#include "encoder/ordered_jobs.h"
#include "encoder/parser.h"
#include "encoder/thread_placement.h"
#include "huffman/huffman.h"
#include "support/files.h"
#include "text/utf8.h"

namespace {

using Matches = std::vector<std::pair<int, uint32_t>>;  // (length, distance), nearest first
constexpr uint32_t DICTIONARY = 1024, DATA_SIZE = 3000;
const SearchLimits EVERY_POSITION = {1 << 30, MAX_MATCH + 1};  // no match ends a search early

// Each distance whose match (ending by end) is longer than every nearer one.
Matches scan(const std::vector<uint8_t>& data, uint32_t pos, size_t end) {
    Matches found;
    const int limit = static_cast<int>(std::min<size_t>({end - pos, MAX_MATCH}));
    for (uint32_t d = 1; pos < end && d <= std::min(pos, DICTIONARY); ++d) {
        int n = 0;
        while (n < limit && data[pos - d + n] == data[pos + n]) ++n;
        if (n >= MIN_MATCH && (found.empty() || n > found.back().first)) found.push_back({n, d});
    }
    return found;
}

}  // namespace

TEST(Parses, GreedyAndLazyFollowTheirRuleTheOptimalParseTakesACheapestPath) {
    std::mt19937 random(5);
    std::vector<uint8_t> data;  // four letters, random bytes, runs, copies a dictionary back
    while (data.size() < DATA_SIZE) {
        const uint32_t kind = random() % (data.size() < DICTIONARY ? 3 : 4), count = 50 + random() % 400;
        for (uint32_t i = 0; i < count; ++i)
            data.push_back(static_cast<uint8_t>(kind == 0   ? 'a' + random() % 4
                                                : kind == 1 ? random()
                                                : kind == 2 ? 'r'
                                                            : data[data.size() - DICTIONARY]));
    }
    const uint32_t size = static_cast<uint32_t>(data.size());
    auto longest = [&](uint32_t pos) {
        Matches found = scan(data, pos, size);
        return found.empty() ? std::pair(0, 0u) : found.back();
    };
    // Lazy weighs matches: 5 per byte, less the distance's bits; once it has prices (here random lengths),
    // it weighs putting a match off by bits: 72/16 bits per byte covered, less the codes' bits.
    auto gain = [](std::pair<int, uint32_t> m) { int g = 5 * m.first; for (; m.second; m.second >>= 1) --g; return g; };
    auto worth_most = [&](uint32_t pos) {
        std::pair<int, uint32_t> best(0, 0u);
        for (auto m : scan(data, pos, size)) if (best.first == 0 || gain(m) > gain(best)) best = m;
        return best;
    };
    const PositionFormat format = position_format(13);  // -lh5-
    BlockCodes lengths;
    for (int s = 0; s < CHAR_SYMBOLS + format.symbols; ++s)
        (s < CHAR_SYMBOLS ? lengths.char_lengths : lengths.position_lengths).push_back(1 + random() % 16);
    auto price = [&](const LzCode& code) -> uint64_t {
        int symbol = position_symbol(code.distance);
        return lengths.char_lengths[code.symbol] +
               (code.is_match() ? lengths.position_lengths[symbol] + position_extra_bits(symbol) : 0);
    };
    auto match_bits = [&](std::pair<int, uint32_t> m) { return static_cast<int>(price(LzCode::match(m.first, m.second))); };
    const CodePrices prices{lengths.char_lengths.data(), lengths.position_lengths.data(), true};
    for (int variant = 0; variant < 3; ++variant) {
        const Parse parse = variant == 0 ? Parse::greedy : Parse::lazy;
        const bool priced = variant == 2;
        MatchFinder finder(DICTIONARY);
        finder.begin_member(size);
        const EffortSettings settings = {parse, EVERY_POSITION, 40, false, 0};
        std::vector<LzCode> codes;
        ASSERT_EQ(parse_greedy_or_lazy({data.data(), 0, size, &finder, priced ? &prices : nullptr}, 0, size,
                                       settings, codes), size);
        uint32_t pos = 0;
        bool second_literal = false;  // a match two bytes on is worth more: two literals first
        for (const LzCode& code : codes) {
            const bool lazy = parse == Parse::lazy;
            auto m = lazy ? worth_most(pos) : longest(pos);
            auto better = [&](uint32_t at, int by) {
                auto o = worth_most(at);
                if (o.first < MIN_MATCH) return false;
                if (!priced) return gain(o) > gain(m) + by;
                int literals = 0;
                for (uint32_t p = pos; p < at; ++p) literals += lengths.char_lengths[data[p]];
                return 72 * (o.first + static_cast<int>(at - pos)) - 16 * (match_bits(o) + literals) >
                       72 * m.first - 16 * match_bits(m);
            };
            bool put_off = second_literal || (lazy && m.first < settings.lazy_limit && better(pos + 1, 3));
            second_literal = !put_off && lazy && m.first >= MIN_MATCH && m.first < 5 && better(pos + 2, 4);
            LzCode want = m.first < MIN_MATCH || put_off || second_literal ? LzCode::literal(data[pos])
                                                                          : LzCode::match(m.first, m.second);
            ASSERT_EQ(std::pair(code.symbol, code.distance), std::pair(want.symbol, want.distance))
                << variant << " at " << pos;
            pos += code.length();
        }
        if (!priced) continue;
        // Dropping dear matches: each short match dearer than its literals (all of which have lengths)
        // becomes them, the rest stay, and the statistics and the bits saved follow; also where a letter
        // has no length, and where the only dear match is the first code.
        for (int drop_case = 0; drop_case < 3; ++drop_case) {
            BlockCodes lens = lengths;
            if (drop_case == 1) lens.char_lengths['a'] = 0;
            const CodePrices drop_prices{lens.char_lengths.data(), lens.position_lengths.data(), true};
            auto bits = [&](const LzCode& c) -> uint64_t {
                int symbol = position_symbol(c.distance);
                return lens.char_lengths[c.symbol] +
                       (c.is_match() ? lens.position_lengths[symbol] + position_extra_bits(symbol) : 0);
            };
            auto dear = [&](const LzCode& c, uint32_t at) {
                uint64_t literals = 0;
                for (int i = 0; i < c.length(); ++i) {
                    if (lens.char_lengths[data[at + i]] == 0) return false;
                    literals += lens.char_lengths[data[at + i]];
                }
                return c.is_match() && c.length() < 4 && literals < bits(c);
            };
            std::vector<LzCode> input = codes;
            uint32_t start = 0;
            for (size_t i = 0; drop_case == 2; start += codes[i++].length())
                if (dear(codes[i], start)) {
                    input = {codes[i]};
                    break;
                }
            std::vector<LzCode> dropped = input;
            BlockStats stats;
            for (const LzCode& code : input) stats.add(code);
            uint64_t saved = drop_dear_matches({data.data(), 0, size, &finder}, start, drop_prices, dropped, stats);
            uint64_t before = 0, after = 0;
            BlockStats recount;
            pos = start;
            size_t next = 0;
            for (const LzCode& code : input) {
                before += bits(code);
                const bool is_dear = dear(code, pos);
                for (int i = 0; i < (is_dear ? code.length() : 1); ++i, ++next) {
                    LzCode want = is_dear ? LzCode::literal(data[pos + i]) : code;
                    ASSERT_EQ(std::pair(dropped[next].symbol, dropped[next].distance), std::pair(want.symbol, want.distance));
                    after += bits(want);
                    recount.add(want);
                }
                pos += code.length();
            }
            EXPECT_EQ(next, dropped.size());
            EXPECT_EQ(saved, before - after);
            EXPECT_LT(after, before);
            EXPECT_TRUE(std::equal(stats.chars, stats.chars + CHAR_SYMBOLS, recount.chars) &&
                        std::equal(stats.positions, stats.positions + MAX_POSITION_SYMBOLS, recount.positions) &&
                        stats.codes == recount.codes && stats.extra_bits == recount.extra_bits) << drop_case;
        }
    }

    uint32_t half = size / 2;  // the optimal parse goes in two segments, the second from a long match
    while (longest(half).first < 8) ++half;
    std::vector<uint64_t> cheapest(size + 1, UINT64_MAX);
    cheapest[0] = 0;
    for (uint32_t pos = 0; pos < size; ++pos) {
        std::vector<LzCode> steps = {LzCode::literal(data[pos])};
        int shorter = MIN_MATCH - 1;
        for (auto [length, distance] : scan(data, pos, pos < half ? half : size)) {
            for (int n = shorter + 1; n <= length; ++n) steps.push_back(LzCode::match(n, distance));
            shorter = length;
        }
        for (const LzCode& c : steps)
            cheapest[pos + c.length()] = std::min(cheapest[pos + c.length()], cheapest[pos] + price(c));
    }
    MatchFinder finder(DICTIONARY);
    finder.begin_member(size);
    std::vector<LzCode> parse;
    for (auto [from, to] : {std::pair(0u, half), std::pair(half, size)}) {
        BlockCodes previous = lengths;  // the parse leaves its block's codes here
        parse_optimal({data.data(), 0, size, &finder}, from, to, {Parse::optimal, EVERY_POSITION, 0, false, 1},
                      format, BlockStats(), previous, parse);
    }
    uint64_t bits = 0;
    for (const LzCode& code : parse) bits += price(code);
    EXPECT_EQ(bits, cheapest[size]);
}

TEST(Pieces, StreamsJoinedAtAnyBitReadAsOneStreamWithTheWholeDataCrc) {
    std::mt19937 random(7);
    BitOutput whole;
    MemberStream joined;
    std::vector<uint8_t> out, data;
    uint16_t data_crc = 0;
    for (int piece = 0; piece < 40; ++piece) {
        BitOutput part;
        for (int n = random() % 30; n > 0; --n) {  // none at times: an empty piece
            const uint32_t value = random();
            const int count = 1 + random() % 16;
            part.put(value, count);
            whole.put(value, count);
        }
        PieceOutput output{{}, part.bit_count(), 0, false};
        std::vector<uint8_t> bytes(random() % 5000, static_cast<uint8_t>(random()));
        HUFFMAN::update_crc16(output.crc, bytes.data(), static_cast<uint32_t>(bytes.size()));
        data.insert(data.end(), bytes.begin(), bytes.end());
        part.flush();
        output.bytes = part.bytes();
        joined.add(output, static_cast<uint32_t>(bytes.size()), out);
    }
    joined.finish(out);
    whole.flush();
    HUFFMAN::update_crc16(data_crc, data.data(), static_cast<uint32_t>(data.size()));
    EXPECT_EQ(out, whole.bytes());
    EXPECT_EQ(joined.size(), out.size());
    EXPECT_EQ(joined.crc(), data_crc);
}

TEST(Pieces, JobsAreTakenInOrderAndAFailureIsRaisedInItsTurnOnAnyNumberOfThreads) {
    for (size_t threads : {1, 2, 7}) {
        for (bool in_take : {false, true}) {  // job 30 fails where it runs, or where it is taken
            std::vector<int> ran(50, 0);
            std::vector<size_t> taken;
            // A worker's state needs no lock: each worker is one thread, worker 0 the caller's.
            std::mutex mutex;
            std::map<size_t, std::thread::id> worker_threads{{0, std::this_thread::get_id()}};
            OrderedJobs jobs;
            jobs.weights.assign(ran.size(), 3);
            jobs.run = [&](size_t job, size_t worker) {
                ASSERT_LT(worker, threads);
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    EXPECT_EQ(worker_threads.emplace(worker, std::this_thread::get_id()).first->second,
                              std::this_thread::get_id()) << "worker " << worker;
                }
                if (job == 30 && !in_take) throw EncoderError{"job 30"};
                ran[job] = 1;
            };
            jobs.take = [&](size_t job) {
                EXPECT_TRUE(ran[job]);
                if (job == 30) throw EncoderError{"job 30"};
                taken.push_back(job);
            };
            try {
                run_ordered(jobs, threads, 10);  // three jobs under way at most
                ADD_FAILURE() << "job 30 failed";
            } catch (const EncoderError& error) {
                EXPECT_EQ(error.message, "job 30");
            }
            std::vector<size_t> first(30);
            std::iota(first.begin(), first.end(), 0);
            EXPECT_EQ(taken, first) << threads;
            EXPECT_LE(std::count(ran.begin(), ran.end(), 1), 31 + 3) << threads;
        }
    }
}

namespace {

// Runs the jobs on two threads; a queue that is stuck cannot be stopped, so
// after a while the test fails and the program ends.
void run_on_two_or_fail_stuck(const OrderedJobs& jobs, uint64_t limit) {
    auto ran = std::async(std::launch::async, [&] { run_ordered(jobs, 2, limit); });
    if (ran.wait_for(std::chrono::seconds(30)) == std::future_status::timeout) {
        ADD_FAILURE() << "the jobs are stuck";
        std::_Exit(1);
    }
    ran.get();
}

}  // namespace

TEST(Pieces, TheLastJobsStartHeaviestFirstButNoJobStartsAheadOfOneThatWouldNotFit) {
    std::mutex mutex;
    std::condition_variable started;
    bool heavy_started = false;
    std::vector<size_t> taken;
    OrderedJobs jobs;
    jobs.run = [&](size_t job, size_t) {
        std::unique_lock<std::mutex> lock(mutex);
        if (jobs.weights[job] == 50) {
            heavy_started = true;
            started.notify_all();
        } else if (jobs.weights[job] == 1) {  // started before the heavy one, both workers would wait here
            EXPECT_TRUE(started.wait_for(lock, std::chrono::seconds(5), [&] { return heavy_started; })) << job;
        } else if (job == 1) {  // weight 9: only once job 0 is out of the way
            EXPECT_EQ(taken, std::vector<size_t>{0});
        }
    };
    jobs.take = [&](size_t job) {
        std::lock_guard<std::mutex> lock(mutex);
        taken.push_back(job);
    };
    jobs.weights = {1, 1, 1, 50};  // all fit under the limit at once
    run_on_two_or_fail_stuck(jobs, 100);
    EXPECT_EQ(taken, (std::vector<size_t>{0, 1, 2, 3}));

    jobs.weights = {2, 9};  // together over the limit: started first, job 1 would block job 0
    taken.clear();
    run_on_two_or_fail_stuck(jobs, 10);
    EXPECT_EQ(taken, (std::vector<size_t>{0, 1}));
}

namespace {

Bytes packed(const std::vector<PackEntry>& entries, const PackSettings& settings, HeadStart* head,
             const TempDir& dir) {
    const std::wstring path = dir / L"packed.lzh";
    CWinFile file;
    EXPECT_TRUE(file.open(path.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS));
    write_archive(entries, file, settings, head);
    file.close();
    return read_file(path);
}

// Waits until the head start has finished count pieces (30 s at most).
void wait_for_pieces(const HeadStart& head, size_t count) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (head.pieces_done() < count && std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(head.pieces_done(), count);
}

}  // namespace

TEST(Pieces, AHeadStartDoesTheFirstJobsUpToTheBoundTheSameArchiveComesOutAndAFailureComesInItsTurn) {
    TempDir dir;
    write_file(dir / L"a", Bytes(100, 'a'));
    write_file(dir / L"b", Bytes(100, 'b'));
    PackSettings settings;
    settings.dictionary_bits = 13;
    settings.effort = Effort::fast;
    settings.threads = 2;
    std::vector<PackEntry> entries;
    PieceJob job{0, 0, 100, true, true};
    const size_t bound = static_cast<size_t>((held_back_limit(2) - 1) / job_weight(job) + 1);
    for (size_t i = 0; i < bound + 5; ++i)  // a file under many names, the last few another
        entries.push_back({dir / (i < bound ? L"a" : L"b"), L"m" + std::to_wstring(i), false, 100, 0});
    PackSettings one = settings;
    one.threads = 1;
    uint64_t progressed = 0;  // every byte once, whoever made its piece
    one.progress = settings.progress = [&](uint64_t bytes) { progressed += bytes; };
    const Bytes alone = packed(entries, one, nullptr, dir);
    EXPECT_EQ(progressed, entries.size() * 100);
    progressed = 0;
    {
        HeadStart head(settings);
        for (const PackEntry& entry : entries)
            head.add(entry);
        wait_for_pieces(head, bound);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // and no more
        head.finish();
        EXPECT_EQ(head.pieces_done(), bound);
        fs::remove(native(dir / L"a"));  // its pieces are done: the writer must not read it again
        EXPECT_EQ(packed(entries, settings, &head, dir), alone);
        EXPECT_EQ(progressed, entries.size() * 100);
    }
    write_file(dir / L"a", Bytes(100, 'a'));
    {  // finished early, it drops the piece in hand unfinished
        Bytes text(PIECE_SIZE + 1000);
        for (size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<uint8_t>('a' + i * i % 7);
        write_file(dir / L"text", text);
        const std::vector<PackEntry> two_pieces = {{dir / L"text", L"text", false, text.size(), 0}};
        PackSettings normal = settings, normal_one = one;
        normal.effort = normal_one.effort = Effort::normal;
        HeadStart head(normal);
        head.add(two_pieces[0]);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));  // well inside the piece
        head.finish();
        EXPECT_EQ(head.pieces_done(), 0u);
        progressed = 0;
        EXPECT_EQ(packed(two_pieces, normal, &head, dir), packed(two_pieces, normal_one, nullptr, dir));
        EXPECT_EQ(progressed, 2 * text.size());  // each run's pieces
    }
    entries[1].source = dir / L"missing";  // the head start stops there
    for (size_t threads : {1, 2}) {
        settings.threads = threads;
        HeadStart head(settings);
        for (const PackEntry& entry : entries)
            head.add(entry);
        if (threads > 1) wait_for_pieces(head, 1);
        head.finish();
        try {
            packed(entries, settings, &head, dir);
            ADD_FAILURE() << "packed a missing file";
        } catch (const EncoderError& error) {
            EXPECT_EQ(error.message, utf16_to_utf8(dir / L"missing") + ": cannot be opened");
        }
    }
}

#ifdef __linux__
// A new worker starts away from its maker, and may then run wherever its
// maker may: on all the processors, or on the only one the maker has.
TEST(Pieces, AWorkerStartedAwayFromItsMakerMayRunWhereverItsMakerMay) {
    cpu_set_t all, one;
    ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
    CPU_ZERO(&one);
    CPU_SET(sched_getcpu(), &one);
    for (const cpu_set_t* maker : {&all, &one}) {
        ASSERT_EQ(sched_setaffinity(0, sizeof *maker, maker), 0);
        std::promise<void> go;
        std::thread worker([ready = go.get_future()] { ready.wait(); });
        start_away_from_maker(worker);
        cpu_set_t mask;
        EXPECT_EQ(pthread_getaffinity_np(worker.native_handle(), sizeof mask, &mask), 0);
        EXPECT_TRUE(CPU_EQUAL(&mask, maker)) << CPU_COUNT(&mask) << " of " << CPU_COUNT(maker);
        go.set_value();
        worker.join();
    }
    ASSERT_EQ(sched_setaffinity(0, sizeof all, &all), 0);
}
#endif

TEST(Output, ThroughAnyBufferTheFileIsAsWrittenStraight) {
    std::mt19937 random(11);
    for (size_t buffer : {1, 5, 64}) {
        TempDir dir;
        const std::wstring path = dir / L"out";
        Bytes want;
        {
            CWinFile file;
            ASSERT_TRUE(file.open(path.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS));
            ArchiveOutput out(file, buffer);
            uint64_t at = 0;
            for (int step = 0; step < 400; ++step) {
                if (random() % 3 == 0) {  // to the end, back a little (into the buffer) or anywhere
                    const size_t back = std::min<size_t>(want.size(), random() % (2 * buffer + 1));
                    const uint32_t way = random() % 3;
                    at = way == 0 ? want.size() : way == 1 ? want.size() - back : random() % (want.size() + 1);
                    out.seek(at);
                } else {
                    Bytes part(random() % (2 * buffer + 2), static_cast<uint8_t>(step));
                    out.write(part.data(), part.size());
                    if (at + part.size() > want.size()) want.resize(at + part.size());
                    std::copy(part.begin(), part.end(), want.begin() + at);
                    at += part.size();
                }
                ASSERT_EQ(out.position(), at);
            }
            out.flush();
        }
        EXPECT_EQ(read_file(path), want) << buffer;
    }
}
