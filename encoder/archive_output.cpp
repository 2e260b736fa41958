#include "archive_output.h"

#include <cstring>

ArchiveOutput::ArchiveOutput(CWinFile& file, size_t buffer) : file_(file), capacity_(buffer) {
    buffer_.reserve(capacity_);
}

void ArchiveOutput::write(const void* data, size_t size) {
    if (size == 0) return;
    if (at_ + size > capacity_) flush();
    if (size >= capacity_) {  // straight through, past the buffer
        put(base_, data, size);
        base_ += size;
        return;
    }
    if (at_ + size > buffer_.size()) buffer_.resize(at_ + size);
    std::memcpy(buffer_.data() + at_, data, size);
    at_ += size;
}

void ArchiveOutput::seek(uint64_t position) {
    if (position >= base_ && position <= base_ + buffer_.size()) {
        at_ = static_cast<size_t>(position - base_);
        return;
    }
    flush();
    base_ = position;
}

void ArchiveOutput::flush() {
    if (buffer_.empty()) return;
    put(base_, buffer_.data(), buffer_.size());
    base_ += at_;
    buffer_.clear();
    at_ = 0;
}

// Bytes at an offset of the file, seeking only when it is elsewhere.
void ArchiveOutput::put(uint64_t offset, const void* data, size_t size) {
    if (offset != file_at_ && file_.seek(static_cast<int64_t>(offset), FILE_BEGIN) < 0)
        throw EncoderError{"seeking in the archive failed"};
    if (!file_.write(data, static_cast<uint32_t>(size)))
        throw EncoderError{"writing the archive failed"};
    file_at_ = offset + size;
}
