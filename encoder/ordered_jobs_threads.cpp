// Worker threads over one queue of jobs, as pigz runs its compression
// threads: the jobs are numbered and each worker starts the lowest one not
// yet started (the last ones aside, below). There is no writer thread: the
// worker that finishes the lowest job not yet taken takes it, and every
// later one already done, while the others go on running jobs. So taking
// costs no wake-up of another thread per job (a job of a small file lasts
// well under a millisecond), and it shares the processors with the jobs
// instead of competing with them.
//
// The calling thread is worker 0 rather than waiting for the others. It is
// running already, and every thread made is one more for the system to
// place: on the benchmark's machine a new thread often started on its
// maker's processor, and when the maker went on to make another and then
// waited, the two new ones shared that processor for up to a scheduler tick
// (4 ms) while the other one was idle. Each thread made is also started away
// from its maker (thread_placement.h).
//
// One mutex guards the queue: the next job to start and to take, which jobs
// are done, the weight of the jobs started and not yet taken, and whether a
// worker is taking. A worker waits while starting the next job would push
// that weight over the limit (unless none is outstanding, so a heavy job
// cannot block for ever). Once the jobs not yet started all fit under the
// limit beside those outstanding, each may start at once, and the rest
// start heaviest first: the last ones then end together, instead of one
// worker finishing a large piece alone while the others have nothing left.
// Takes run one at a time and in order; the lock handed between them orders
// their memory, as it orders each job's results (run fills them on one
// worker, take reads them on perhaps another).
//
// An exception inside run is kept with its job and raised when that job's
// turn to be taken comes; one from take is raised the same way. Either stops
// the queue: workers finish the job in hand, start no other, and the calling
// thread raises the exception once they are joined.
#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <numeric>
#include <system_error>
#include <thread>

#include "ordered_jobs.h"
#include "thread_placement.h"

namespace {

class JobQueue {
public:
    JobQueue(const OrderedJobs& jobs, uint64_t limit)
        : jobs_(jobs),
          limit_(limit),
          order_(jobs.weights.size()),
          unstarted_(std::accumulate(jobs.weights.begin(), jobs.weights.end(), uint64_t{0})),
          done_(jobs.weights.size()),
          errors_(jobs.weights.size()) {
        std::iota(order_.begin(), order_.end(), size_t{0});
    }

    void work(size_t worker) {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            started_.wait(lock, [&] { return stopped_ || next_ >= count() || may_start(); });
            if (stopped_ || next_ >= count()) return;
            order_the_last();
            size_t job = order_[next_++];
            outstanding_ += jobs_.weights[job];
            unstarted_ -= jobs_.weights[job];
            lock.unlock();
            try {
                jobs_.run(job, worker);
            } catch (...) {
                errors_[job] = std::current_exception();
            }
            lock.lock();
            done_[job] = true;
            take_ready(lock);
        }
    }

    // On the calling thread: waits until every job is taken or the queue
    // stopped. The workers must be joined before raise() is called.
    void wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        ended_.wait(lock, [&] { return stopped_ || taken_ >= count(); });
    }

    void raise() const {
        if (error_) std::rethrow_exception(error_);
    }

    void stop() {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_locked();
    }

private:
    size_t count() const { return done_.size(); }
    bool may_start() const {
        return outstanding_ == 0 || outstanding_ + jobs_.weights[order_[next_]] <= limit_;
    }

    // Sorts the jobs not yet started heaviest first (the earlier of equal
    // ones first), once they all fit under the limit.
    void order_the_last() {
        if (last_ordered_ || outstanding_ + unstarted_ > limit_) return;
        last_ordered_ = true;
        std::stable_sort(order_.begin() + static_cast<std::ptrdiff_t>(next_), order_.end(),
                         [&](size_t a, size_t b) { return jobs_.weights[a] > jobs_.weights[b]; });
    }

    // Takes the done jobs in order from taken_ on, unless another worker is
    // at it already (it will see this one's job too before it stops).
    void take_ready(std::unique_lock<std::mutex>& lock) {
        if (taking_) return;
        taking_ = true;
        while (!stopped_ && taken_ < count() && done_[taken_]) {
            size_t job = taken_;
            lock.unlock();
            std::exception_ptr error = errors_[job];
            if (!error) {
                try {
                    jobs_.take(job);
                } catch (...) {
                    error = std::current_exception();
                }
            }
            lock.lock();
            if (error) {
                error_ = error;
                stop_locked();
                break;
            }
            ++taken_;
            outstanding_ -= jobs_.weights[job];
            started_.notify_all();
        }
        taking_ = false;
        if (taken_ >= count()) ended_.notify_all();
    }

    void stop_locked() {
        stopped_ = true;
        started_.notify_all();
        ended_.notify_all();
    }

    const OrderedJobs& jobs_;
    const uint64_t limit_;
    std::mutex mutex_;
    std::condition_variable started_;  // a job may start, or the queue stopped
    std::condition_variable ended_;    // every job taken, or the queue stopped
    std::vector<size_t> order_;        // the jobs in the order they start
    size_t next_ = 0;                  // in order_, the next job to start
    size_t taken_ = 0;                 // the next job to take
    uint64_t outstanding_ = 0;         // weight of the jobs started and not yet taken
    uint64_t unstarted_ = 0;           // weight of the jobs not yet started
    bool last_ordered_ = false;
    std::vector<char> done_;
    std::vector<std::exception_ptr> errors_;
    std::exception_ptr error_;  // the one raised on the calling thread
    bool taking_ = false;
    bool stopped_ = false;
};

// Stops the queue and joins the workers however the calling thread leaves.
class Workers {
public:
    // Workers 1 to count - 1 (the calling thread is worker 0). A thread the
    // system refuses leaves the work to the others.
    Workers(JobQueue& queue, size_t count) : queue_(queue) {
        for (size_t worker = 1; worker < count; ++worker) {
            try {
                threads_.emplace_back([this, worker] { queue_.work(worker); });
                start_away_from_maker(threads_.back());
            } catch (const std::system_error&) {
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
    {
        Workers workers(queue, std::min(threads, jobs.weights.size()));
        queue.work(0);
        queue.wait();
    }
    queue.raise();
}
