#include "member_jobs.h"

#include <algorithm>

#include "member_pieces.h"
#include "text/utf8.h"

namespace {

// Bounds the jobs waiting to be taken when members are small.
constexpr uint64_t JOB_OVERHEAD = 4096;
constexpr uint64_t HELD_BACK_PIECES = 2;  // per thread

[[noreturn]] void refuse(const PackEntry& member, const char* why) {
    throw EncoderError{utf16_to_utf8(member.source) + ": " + why};
}

}  // namespace

void append_piece_jobs(size_t entry, const PackEntry& member, std::vector<PieceJob>& jobs) {
    uint32_t size = member.folder ? 0 : static_cast<uint32_t>(member.size);
    uint32_t count = piece_count(size);
    for (uint32_t k = 0; k < count; ++k) {
        uint32_t start = k * PIECE_SIZE;
        uint32_t end = static_cast<uint32_t>(std::min<uint64_t>(size, uint64_t{start} + PIECE_SIZE));
        jobs.push_back({entry, start, end, k == 0, k + 1 == count});
    }
}

uint64_t job_weight(const PieceJob& job) {
    return job.end - job.start + JOB_OVERHEAD;
}

uint64_t held_back_limit(size_t threads) {
    return HELD_BACK_PIECES * PIECE_SIZE * threads;
}

PieceOutput encode_piece_job(MemberEncoder& encoder, const PackEntry& member, const PieceJob& job,
                             const std::atomic<bool>* give_up) {
    if (job.end == job.start) return PieceOutput();
    CWinFile input;
    if (!input.open(member.source.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING))
        refuse(member, "cannot be opened");
    try {
        return encoder.encode_piece(input, static_cast<uint32_t>(member.size), job.start, job.end,
                                    give_up);
    } catch (const EncoderError& error) {
        refuse(member, error.message.c_str());
    }
}
