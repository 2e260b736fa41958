#include "builder_runner.h"

#include "commands.h"
#include "text/utf8.h"

Outcome vornsfx(const std::vector<std::string>& args, bool on_terminal) {
    Outcome run;
    Console console;
    console.progress_allowed = on_terminal;
    console.captured_out = &run.out;
    console.captured_err = &run.err;
    run.status = run_vornsfx(args, console);
    return run;
}

std::string arg(const std::wstring& path) {
    return utf16_to_utf8(path);
}

Bytes minimal_stub(size_t size) {
    constexpr size_t PE_HEADER_OFFSET_FIELD = 0x3C;
    constexpr uint8_t PE_HEADER_OFFSET = 0x40;
    Bytes stub(size, 0);
    stub[0] = 'M';
    stub[1] = 'Z';
    stub[PE_HEADER_OFFSET_FIELD] = PE_HEADER_OFFSET;
    stub[PE_HEADER_OFFSET] = 'P';
    stub[PE_HEADER_OFFSET + 1] = 'E';
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
