// The head start: with more than one thread, one worker compresses the first
// members while the walk is still finding the rest. The walk is one thread's
// work (about 12 ms for a thousand files on the benchmark's machine), and
// without a head start every worker waits for it.
//
// The worker takes the members in the archive's order, so what it finishes
// is the pieces of the archive's first jobs, the same pieces the writer's
// workers would make (member_jobs.h). It takes members until they weigh the
// writer's held-back limit, so a slow walk cannot make it hold more than a
// run holds back. When the walk ends it drops the piece in hand, which the
// writer's workers then make again: waiting for it could leave every other
// processor idle for as long as a piece takes (0.7 s at best), dropping it
// loses at most what one processor did during the walk. What it could not
// do (a file that cannot be read, say) it leaves to the writer, which then
// raises the error in its turn.
//
// The worker is made at once and waits for the first member. Making it with
// the first member that has bytes instead spares it that wait, which on Linux
// can leave it sharing the walk's processor for a few milliseconds (a woken
// thread is placed beside its waker where no cache is shared, as on the
// benchmark's machine); but the walk takes about 4 ms to reach the benchmark
// tree's first file, and that start idled more in the same turns.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "archive_writer.h"
#include "member_jobs.h"

class HeadStart {
public:
    // A worker only with more than one thread (and a build with threads).
    explicit HeadStart(const PackSettings& settings);
    ~HeadStart();
    HeadStart(const HeadStart&) = delete;
    HeadStart& operator=(const HeadStart&) = delete;

    // The next member, in the archive's order.
    void add(const PackEntry& member);
    // Stops the worker, dropping the piece in hand, and joins it.
    void finish();

    // Pieces finished so far (they stay a prefix of the jobs).
    size_t pieces_done() const { return done_.load(); }

    // After finish: the first jobs' pieces, in order, and the worker's
    // encoder (none if it made none).
    std::vector<PieceOutput> take_pieces() { return std::move(pieces_); }
    std::unique_ptr<MemberEncoder> take_encoder() { return std::move(encoder_); }

private:
    void work();
    bool next_job(size_t index, PieceJob& job, const PackEntry*& member);
    void encode(const PieceJob& job, const PackEntry& member);

    const int dictionary_bits_;
    const Effort effort_;
    const uint64_t limit_;
    std::mutex mutex_;
    std::condition_variable added_;
    std::deque<PackEntry> members_;  // pushed back only: a member stays where it is
    std::vector<PieceJob> jobs_;
    uint64_t weight_ = 0;  // of the jobs added
    // Set under the mutex (the worker waits on it), read without it too: the
    // piece in hand stops on it.
    std::atomic<bool> stopping_{false};
    std::atomic<size_t> done_{0};
    // The worker's alone until it is joined.
    std::vector<PieceOutput> pieces_;
    std::unique_ptr<MemberEncoder> encoder_;
    std::thread thread_;
};
