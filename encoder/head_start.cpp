#include "head_start.h"

#include <system_error>

#include "thread_placement.h"

HeadStart::HeadStart(const PackSettings& settings)
    : dictionary_bits_(settings.dictionary_bits),
      effort_(settings.effort),
      limit_(held_back_limit(settings.threads)) {
#ifndef VORNSFX_NO_THREADS
    if (settings.threads < 2) return;
    try {
        thread_ = std::thread([this] { work(); });
        start_away_from_maker(thread_);
    } catch (const std::system_error&) {
        // No head start: the writer's workers do it all.
    }
#endif
}

HeadStart::~HeadStart() {
    finish();
}

void HeadStart::add(const PackEntry& member) {
    if (!thread_.joinable()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_ || weight_ >= limit_) return;
    members_.push_back(member);
    size_t first = jobs_.size();
    append_piece_jobs(members_.size() - 1, members_.back(), jobs_);
    for (size_t job = first; job < jobs_.size(); ++job)
        weight_ += job_weight(jobs_[job]);
    added_.notify_one();
}

void HeadStart::finish() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    added_.notify_one();
    thread_.join();
}

// Waits for job number index and its member; false once stopping.
bool HeadStart::next_job(size_t index, PieceJob& job, const PackEntry*& member) {
    std::unique_lock<std::mutex> lock(mutex_);
    added_.wait(lock, [&] { return stopping_ || index < jobs_.size(); });
    if (stopping_) return false;
    job = jobs_[index];
    member = &members_[job.entry];
    return true;
}

void HeadStart::work() {
    PieceJob job;
    const PackEntry* member = nullptr;
    try {
        for (size_t index = 0; next_job(index, job, member); ++index)
            encode(job, *member);
    } catch (...) {
        // Left to the writer, which raises it in the job's turn.
    }
}

void HeadStart::encode(const PieceJob& job, const PackEntry& member) {
    PieceOutput piece;
    if (job.end > job.start) {
        if (!encoder_) encoder_.reset(new MemberEncoder(dictionary_bits_, effort_));
        piece = encode_piece_job(*encoder_, member, job, &stopping_);
        if (piece.given_up && stopping_) return;  // dropped unfinished
    }
    pieces_.push_back(std::move(piece));
    ++done_;
}
