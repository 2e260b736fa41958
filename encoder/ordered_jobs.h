// Jobs run on worker threads; their results are taken one after another in
// the jobs' order, so whoever takes them (the archive writer) sees the same
// sequence whatever the number of threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

struct OrderedJobs {
    // Per job, the bytes it reads: finished jobs wait for an earlier one to be
    // taken only while the started and untaken jobs weigh less than the limit.
    std::vector<uint64_t> weights;
    // Runs a job on one worker (0 to threads - 1). A worker runs its jobs one
    // after another, so what it keeps per worker needs no lock.
    std::function<void(size_t job, size_t worker)> run;
    // Takes a finished job, in order 0, 1, 2, ... Takes never overlap, but
    // with threads they run on whichever worker finished the job in turn.
    std::function<void(size_t job)> take;
};

// Runs every job with up to `threads` workers. With one thread (or one job)
// each job runs and is taken on the calling thread and no thread is made.
// With more, the calling thread is one of the workers, and a job starts
// only while the weight of the started and untaken jobs is below
// held_back_limit (one job may always start, however heavy).
// An exception from run is raised on the calling thread in the job's turn,
// as one from take is; either way the workers are stopped and joined first.
void run_ordered(const OrderedJobs& jobs, size_t threads, uint64_t held_back_limit);

// The threaded half (ordered_jobs_threads.cpp); a build without threads
// leaves that file out and defines VORNSFX_NO_THREADS.
void run_ordered_threads(const OrderedJobs& jobs, size_t threads, uint64_t held_back_limit);
