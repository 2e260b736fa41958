// Worker threads over one queue of jobs, as pigz runs its compression
// threads: the jobs are numbered, each worker takes the lowest one not yet
// started, and the calling thread waits for the lowest one not yet taken.
//
// One mutex guards the queue: the next job to start, which jobs are done,
// and the weight of the jobs started and not yet taken. A worker waits while
// starting the next job would push that weight over the limit (unless none is
// outstanding, so a heavy job cannot block for ever); the calling thread
// waits for its job to be done, takes it outside the lock, then lowers the
// weight and wakes the workers. The results themselves are the caller's (run
// fills them, take reads them): the lock handed between the two orders them.
//
// An exception inside run is caught in the worker and raised by the calling
// thread when that job's turn comes. When take raises (or a rethrown job
// does), the queue is stopped: workers finish the job in hand, start no other
// and are joined before the exception leaves.
#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

#include "ordered_jobs.h"

namespace {

class JobQueue {
public:
    JobQueue(const OrderedJobs& jobs, uint64_t limit)
        : jobs_(jobs), limit_(limit), done_(jobs.weights.size()), errors_(jobs.weights.size()) {}

    void work(size_t worker) {
        for (;;) {
            size_t job;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                started_.wait(lock, [&] { return stopped_ || next_ >= count() || may_start(); });
                if (stopped_ || next_ >= count()) return;
                job = next_++;
                outstanding_ += jobs_.weights[job];
            }
            try {
                jobs_.run(job, worker);
            } catch (...) {
                errors_[job] = std::current_exception();
            }
            std::lock_guard<std::mutex> lock(mutex_);
            done_[job] = true;
            finished_.notify_one();
        }
    }

    void take_all() {
        for (size_t job = 0; job < count(); ++job) {
            {
                std::unique_lock<std::mutex> lock(mutex_);
                finished_.wait(lock, [&] { return bool(done_[job]); });
            }
            if (errors_[job]) std::rethrow_exception(errors_[job]);
            jobs_.take(job);
            std::lock_guard<std::mutex> lock(mutex_);
            outstanding_ -= jobs_.weights[job];
            started_.notify_all();
        }
    }

    void stop() {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
        started_.notify_all();
    }

private:
    size_t count() const { return done_.size(); }
    bool may_start() const {
        return outstanding_ == 0 || outstanding_ + jobs_.weights[next_] <= limit_;
    }

    const OrderedJobs& jobs_;
    const uint64_t limit_;
    std::mutex mutex_;
    std::condition_variable started_;   // a job may start, or the queue stopped
    std::condition_variable finished_;  // a job is done
    size_t next_ = 0;
    uint64_t outstanding_ = 0;  // weight of the jobs started and not yet taken
    std::vector<char> done_;
    std::vector<std::exception_ptr> errors_;
    bool stopped_ = false;
};

// Stops the queue and joins the workers however the calling thread leaves.
class Workers {
public:
    // A thread the system refuses leaves the work to the others; with none
    // at all the refusal is raised.
    Workers(JobQueue& queue, size_t count) : queue_(queue) {
        for (size_t worker = 0; worker < count; ++worker) {
            try {
                threads_.emplace_back([this, worker] { queue_.work(worker); });
            } catch (const std::system_error&) {
                if (threads_.empty()) throw;
                break;
            }
        }
    }
    ~Workers() {
        queue_.stop();
        for (std::thread& thread : threads_)
            thread.join();
    }

private:
    JobQueue& queue_;
    std::vector<std::thread> threads_;
};

}  // namespace

void run_ordered_threads(const OrderedJobs& jobs, size_t threads, uint64_t held_back_limit) {
    JobQueue queue(jobs, held_back_limit);
    Workers workers(queue, std::min(threads, jobs.weights.size()));
    queue.take_all();
}
