#include "input_file.h"

#include "stub_image.h"
#include "text/utf8.h"
#include "text_format.h"
#include "tool_error.h"
#include "tool_platform.h"

namespace {

// Every header level keeps the method id, "-lh5-" and the like, at offsets 2
// to 6; an archive without members is its terminating zero byte alone.
constexpr int METHOD_ID_END = 7;
constexpr size_t METHOD_ID_FIRST = 2, METHOD_ID_LAST = 6;

bool starts_like_archive(CWinFile& file) {
    uint8_t head[METHOD_ID_END] = {};
    file.seek(0, FILE_BEGIN);
    int32_t got = file.read(head, sizeof head);
    file.seek(0, FILE_BEGIN);
    if (got >= 1 && head[0] == 0) return true;
    return got == METHOD_ID_END && head[METHOD_ID_FIRST] == '-' && head[METHOD_ID_LAST] == '-';
}

CWinFile& open_file(const std::wstring& path, InputFile& input) {
    input.name = path_to_bytes(path);
    input.app.archive.reset(new CWinFile);
    CWinFile& file = *input.app.archive;
    if (!file.open(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING))
        fail(input.name + ": " + last_error_text());
    if (!is_regular_file(file, path))
        fail(input.name + ": not a file on disk (a pipe or a device cannot be read: the " +
             "archive is read at the offsets its headers give; save it to a file first)");
    return file;
}

void require_archive(CWinFile& file, const InputFile& input) {
    if (!starts_like_archive(file))
        fail(input.name + ": not an LHA archive nor a self-extracting file");
}

}  // namespace

void open_input(const std::wstring& path, InputFile& input) {
    CWinFile& file = open_file(path, input);
    if (!is_pe_image(file)) {  // a plain archive, read from its first byte
        require_archive(file, input);
        return;
    }
    if (file.size() <= PAYLOAD_OFFSET)
        fail(input.name + ": a Windows program with nothing behind its first " +
             std::to_string(PAYLOAD_OFFSET) + " bytes, not a self-extracting file");
    ByteVector image(static_cast<size_t>(PAYLOAD_OFFSET));
    file.seek(0, FILE_BEGIN);
    if (file.read(image.data(), static_cast<uint32_t>(image.size())) != PAYLOAD_OFFSET ||
        !stub_image_problem(image).empty())
        fail(input.name + ": a Windows program, but not a Vorn SFX file");
    input.self_extracting = true;
    file.seek(PAYLOAD_OFFSET, FILE_BEGIN);
    if (!read_config_block(file, input.block))
        fail(input.name + ": the configuration block at " + hex_text(PAYLOAD_OFFSET) +
             " is cut short by the end of the file");
    input.archive_offset = file.seek(0, FILE_CURRENT);
}

void open_archive(const std::wstring& path, InputFile& input) {
    CWinFile& file = open_file(path, input);
    if (is_pe_image(file))
        fail(input.name +
             ": a Windows program, not an LHA archive (build takes the archive "
             "a self-extracting file is made from)");
    require_archive(file, input);
}
