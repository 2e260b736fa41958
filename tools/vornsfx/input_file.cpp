#include "input_file.h"

#include "stub_image.h"
#include "text/utf8.h"
#include "text_format.h"
#include "tool_error.h"
#include "tool_platform.h"

namespace {

CWinFile& open_file(const std::wstring& path, InputFile& input) {
    input.name = utf16_to_utf8(path);
    input.app.archive.reset(new CWinFile);
    CWinFile& file = *input.app.archive;
    if (!file.open(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING))
        fail(input.name + ": " + last_error_text());
    return file;
}

}  // namespace

void open_input(const std::wstring& path, InputFile& input) {
    CWinFile& file = open_file(path, input);
    if (!is_pe_image(file)) return;  // a plain archive, read from its first byte
    if (file.size() <= PAYLOAD_OFFSET)
        fail(input.name + ": a Windows program with nothing behind its first " +
             std::to_string(PAYLOAD_OFFSET) + " bytes, not a self-extracting file");
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
    file.seek(0, FILE_BEGIN);
}
