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
    constexpr uint8_t PE = 0x40;  // where the PE header starts
    constexpr size_t MARK_AT = 0x200;
    Bytes stub(size, 0);
    auto put16 = [&](size_t at, uint16_t value) {
        stub[at] = static_cast<uint8_t>(value);
        stub[at + 1] = static_cast<uint8_t>(value >> 8);
    };
    stub[0] = 'M';
    stub[1] = 'Z';
    stub[PE_HEADER_OFFSET_FIELD] = PE;
    stub[PE] = 'P';
    stub[PE + 1] = 'E';
    put16(PE + 4, 0x8664);           // machine: x64
    put16(PE + 24, 0x20B);           // optional header: PE32+
    put16(PE + 24 + 68, 2);          // subsystem: Windows GUI
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

void Builder::SetUp() {
    write_file(stub, minimal_stub());
    make_folder(out_folder);
}

Outcome Builder::build(std::vector<std::string> options, const std::wstring& input) {
    options.insert(options.begin(), {"build", arg(input), "-o", arg(output), "--stub", arg(stub)});
    return vornsfx(options);
}

Outcome Builder::build_bytes(const std::vector<std::string>& options, const Bytes& archive_bytes) {
    write_file(archive, archive_bytes);
    return build(options, archive);
}

void Builder::expect_refused(const Outcome& run, const std::string& problem) {
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_NE(run.err.find(problem), std::string::npos) << run.err;
    EXPECT_TRUE(folder_entries(out_folder).empty()) << "a file was left behind";
}
