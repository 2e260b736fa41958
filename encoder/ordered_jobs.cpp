// The single-threaded way through the jobs, and the choice of way.
#include "ordered_jobs.h"

#include <algorithm>

void run_ordered(const OrderedJobs& jobs, size_t threads, uint64_t held_back_limit) {
    const size_t count = jobs.weights.size();
#ifndef VORNSFX_NO_THREADS
    if (std::min(threads, count) > 1) return run_ordered_threads(jobs, threads, held_back_limit);
#else
    (void)threads;
    (void)held_back_limit;
#endif
    for (size_t job = 0; job < count; ++job) {
        jobs.run(job, 0);
        jobs.take(job);
    }
}
