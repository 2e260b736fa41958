#include "input_file.h"

#include <algorithm>
#include <vector>

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

constexpr size_t SPOOL_CHUNK = size_t{1} << 20;
constexpr char STANDARD_INPUT_TEXT[] = "standard input";

bool starts_like_archive(CWinFile& file) {
    uint8_t head[METHOD_ID_END] = {};
    file.seek(0, FILE_BEGIN);
    int32_t got = file.read(head, sizeof head);
    file.seek(0, FILE_BEGIN);
    if (got >= 1 && head[0] == 0) return true;
    return got == METHOD_ID_END && head[METHOD_ID_FIRST] == '-' && head[METHOD_ID_LAST] == '-';
}

// Copies standard input to a temporary file, which input keeps (and removes).
std::wstring spool_standard_input(InputFile& input) {
    input.spool.reset(new OutputFile(temporary_folder() + L"vornsfx-stdin"));
    std::vector<uint8_t> buffer(SPOOL_CHUNK);
    for (;;) {
        int64_t got = read_standard_input(buffer.data(), buffer.size());
        if (got < 0) fail(std::string(STANDARD_INPUT_TEXT) + ": reading failed: " + last_error_text());
        if (got == 0) break;
        input.spool->write(buffer.data(), static_cast<size_t>(got));
    }
    input.spool->close();
    return input.spool->temporary_path();
}

CWinFile& open_file(const std::wstring& given, InputFile& input) {
    const bool from_stdin = path_to_bytes(given) == STANDARD_INPUT_NAME;
    const std::wstring path = from_stdin ? spool_standard_input(input) : given;
    input.name = from_stdin ? STANDARD_INPUT_TEXT : path_to_bytes(given);
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

int for_each_input(const FileOptions& options, const Console& console,
                   const std::function<int(InputFile&)>& command) {
    if (options.files.size() == 1) {
        InputFile input;
        open_input(options.files[0], input);
        return command(input);
    }
    int worst = EXIT_OK;
    for (size_t i = 0; i < options.files.size(); ++i) {
        const std::wstring& path = options.files[i];
        if (!options.quiet)
            console.out((i == 0 ? "==> " : "\n==> ") + path_to_bytes(path) + " <==\n");
        int status;
        try {
            InputFile input;
            open_input(path, input);
            status = command(input);
        } catch (const ToolError& error) {
            console.err("vornsfx: " + error.message + "\n");
            status = error.status;
        }
        worst = std::max(worst, status);
    }
    return worst;
}

void open_archive(const std::wstring& path, InputFile& input) {
    CWinFile& file = open_file(path, input);
    if (is_pe_image(file))
        fail(input.name +
             ": a Windows program, not an LHA archive (build takes the archive "
             "a self-extracting file is made from)");
    require_archive(file, input);
}
