// The workers' jobs: a member cut into its pieces, and one piece compressed.
// The writer's queue and the head start (head_start.h) cut and compress
// alike, so a piece is the same whichever of them made it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "archive_writer.h"
#include "member_encoder.h"

// A piece of a file member, or a folder or empty file (a job without bytes).
struct PieceJob {
    size_t entry;  // the member's index
    uint32_t start, end;
    bool first, last;  // the member's first and last piece
};

// Appends the jobs of member number `entry`, in order.
void append_piece_jobs(size_t entry, const PackEntry& member, std::vector<PieceJob>& jobs);

// What a job weighs in the queue's bound on finished output held back.
uint64_t job_weight(const PieceJob& job);

// The most a run holds back with `threads` workers: a few pieces each.
uint64_t held_back_limit(size_t threads);

// The job's piece, compressed (an empty output for a job without bytes).
// Raises EncoderError naming the file when it cannot be read.
PieceOutput encode_piece_job(MemberEncoder& encoder, const PackEntry& member, const PieceJob& job,
                             const std::atomic<bool>* give_up);
