#include "output_file.h"

#include <cstdint>

#include "text/utf8.h"
#include "tool_error.h"
#include "tool_platform.h"

namespace {
// CWinFile writes at most this much at once (its count is 32-bit).
constexpr size_t WRITE_CHUNK = size_t{1} << 30;
}  // namespace

OutputFile::OutputFile(const std::wstring& path)
    : path_(path),
      // Beside the output, so the final rename never crosses file systems.
      temporary_(path + L".vornsfx-" + std::to_wstring(process_number()) + L".tmp"),
      name_(utf16_to_utf8(path)) {
    if (!file_.open(temporary_.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS))
        fail(name_ + ": cannot create " + utf16_to_utf8(temporary_) + ": " + last_error_text());
}

OutputFile::~OutputFile() {
    if (committed_) return;
    file_.close();
    remove_file(temporary_);
}

void OutputFile::write(const void* data, size_t size) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        size_t part = size < WRITE_CHUNK ? size : WRITE_CHUNK;
        if (!file_.write(bytes, static_cast<uint32_t>(part)))
            fail(name_ + ": writing failed: " + last_error_text());
        bytes += part;
        size -= part;
    }
}

void OutputFile::commit() {
    file_.close();
    if (!replace_file(temporary_, path_))
        fail(name_ + ": cannot replace it with the new file: " + last_error_text());
    committed_ = true;
}

void OutputFile::cut(uint64_t length) {
    if (!cut_file(file_, temporary_, length))
        fail(name_ + ": writing failed: " + last_error_text());
}
