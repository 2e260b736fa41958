#include "builder_runner.h"

#include "commands.h"
#include "text/utf8.h"

Outcome vornsfx(const std::vector<std::string>& args) {
    Outcome run;
    Console console;
    console.captured_out = &run.out;
    console.captured_err = &run.err;
    run.status = run_vornsfx(args, console);
    return run;
}

std::string arg(const std::wstring& path) {
    return utf16_to_utf8(path);
}

Bytes minimal_stub(size_t size, size_t pe) {
    constexpr size_t MARK_AT = 0x200;
    const std::pair<size_t, uint16_t> fields[] = {
        {0, 'M' | 'Z' << 8}, {0x3C, pe}, {0x3E, pe >> 16}, {pe, 'P' | 'E' << 8},
        {pe + 4, 0x8664},    // machine: x64
        {pe + 24, 0x20B},    // optional header: PE32+
        {pe + 24 + 68, 2}};  // subsystem: Windows GUI
    Bytes stub(size, 0);
    auto put16 = [&](size_t at, uint16_t value) {  // what falls past the end is cut off
        for (size_t i = 0; i < 2 && at + i < size; ++i) stub[at + i] = uint8_t(value >> (8 * i));
    };
    for (const auto& [at, value] : fields) put16(at, value);
    const std::string mark = "Vorn SFX self-extractor";  // as the version resource has it
    for (size_t i = 0; i < mark.size() && MARK_AT + 2 * i < size; ++i) put16(MARK_AT + 2 * i, mark[i]);
    return stub;
}

std::wstring corpus_file(const std::string& name) {
    return path_from_environment("VORNSFX_CORPUS") + L"/" + utf8_to_utf16(name);
}

Bytes archive_of(const std::vector<Bytes>& members, bool terminated) {
    Bytes archive;
    for (const Bytes& member : members) archive.insert(archive.end(), member.begin(), member.end());
    if (terminated) archive.push_back(0);
    return archive;
}
