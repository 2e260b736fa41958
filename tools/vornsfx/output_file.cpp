#include "output_file.h"

#include <cstdint>

#include "text/utf8.h"
#include "tool_error.h"
#include "tool_platform.h"

namespace {
// CWinFile writes at most this much at once (its count is 32-bit).
constexpr size_t WRITE_CHUNK = size_t{1} << 30;
#ifdef _WIN32
constexpr wchar_t SEPARATORS[] = L"\\/";
#else
constexpr wchar_t SEPARATORS[] = L"/";
#endif

// Beside the output, so the final rename never crosses file systems, but
// short whatever the output's name, which may already be as long as the
// system allows: ".vornsfx-PID-N.tmp", N telling apart the files of one run.
std::wstring temporary_beside(const std::wstring& path) {
    static unsigned made = 0;
    size_t separator = path.find_last_of(SEPARATORS);
    std::wstring folder = separator == std::wstring::npos ? L"" : path.substr(0, separator + 1);
    return folder + L".vornsfx-" + std::to_wstring(process_number()) + L"-" +
           std::to_wstring(++made) + L".tmp";
}

}  // namespace

void refuse_unsafe_output(const std::wstring& output, const std::vector<std::wstring>& read_files) {
    const std::string name = path_to_bytes(output);
    FileIdentity target;
    if (!file_identity(output, target)) return;
    if (target.folder) fail(name + ": a folder, not a file to write");
    for (const std::wstring& read : read_files) {
        FileIdentity source;
        if (!read.empty() && file_identity(read, source) && source.device == target.device &&
            source.index == target.index)
            fail(name + ": the same file as " + path_to_bytes(read) +
                 ", which the build reads; choose another output");
    }
}

void refuse_existing_output(const std::wstring& output) {
    FileIdentity existing;
    if (file_identity(output, existing))
        fail(path_to_bytes(output) + ": exists, and -n (--no-clobber) keeps it");
}

OutputFile::OutputFile(const std::wstring& path)
    : path_(follow_links(path)), temporary_(temporary_beside(path_)), name_(path_to_bytes(path)) {
    if (path_.empty()) fail(name_ + ": a link whose target cannot be followed");
    if (!file_.open(temporary_.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS))
        fail(name_ + ": cannot create a file in its folder: " + last_error_text());
    remove_on_interrupt(temporary_);
}

OutputFile::~OutputFile() {
    if (committed_) return;
    file_.close();
    remove_file(temporary_);
    forget_on_interrupt(temporary_);
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
    copy_permissions(path_, temporary_);
    if (!replace_file(temporary_, path_))
        fail(name_ + ": cannot replace it with the new file: " + last_error_text());
    forget_on_interrupt(temporary_);
    committed_ = true;
}

void OutputFile::cut(uint64_t length) {
    if (!cut_file(file_, temporary_, length))
        fail(name_ + ": writing failed: " + last_error_text());
}
