// Runs the builder's commands in-process, as the program would, and makes the
// inputs its tests need: stubs, archives, folders to check for leftovers.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands.h"
#include "support/files.h"
#include "support/header_writer.h"
#include "text/utf8.h"

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
    bool says(const std::string& text) const {
        return out.find(text) != std::string::npos || err.find(text) != std::string::npos;
    }
};

inline Outcome vornsfx(const std::vector<std::string>& args) {
    Outcome run;
    Console console;
    console.captured_out = &run.out;
    console.captured_err = &run.err;
    run.status = run_vornsfx(args, console);
    return run;
}

// A path as the command line gives it: UTF-8.
inline std::string arg(const std::wstring& path) {
    return utf16_to_utf8(path);
}

// The smallest file the builder takes for a stub: "MZ", at pe a PE header of
// an x64 GUI program (cut off at size), the stub's version text at 0x200,
// zeros up to size.
constexpr size_t PE_HEADER_SIZE = 24 + 68 + 2;  // up to the subsystem's end
inline Bytes minimal_stub(size_t size = 4096, size_t pe = 0x40) {
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

// A corpus archive (or the manifest) by file name (VORNSFX_CORPUS).
inline std::wstring corpus_file(const std::string& name) {
    return path_from_environment("VORNSFX_CORPUS") + L"/" + utf8_to_utf16(name);
}

// An archive from members, with the terminating zero byte unless told not to.
inline Bytes archive_of(const std::vector<Bytes>& members, bool terminated = true) {
    Bytes archive;
    for (const Bytes& member : members) archive.insert(archive.end(), member.begin(), member.end());
    if (terminated) archive.push_back(0);
    return archive;
}

// A folder holding a stub the builder takes and an empty folder for outputs.
class Builder : public ::testing::Test {
protected:
    void SetUp() override {
        write_file(stub, minimal_stub());
        make_folder(out_folder);
    }
    // vornsfx build INPUT -o OUTPUT --stub STUB OPTIONS; build_bytes writes INPUT first.
    Outcome build(std::vector<std::string> options, const std::wstring& input) {
        options.insert(options.begin(), {"build", arg(input), "-o", arg(output), "--stub", arg(stub)});
        return vornsfx(options);
    }
    Outcome build_bytes(const std::vector<std::string>& options, const Bytes& archive_bytes) {
        write_file(archive, archive_bytes);
        return build(options, archive);
    }
    // Status 2, an error naming the problem, and nothing left in the output folder.
    void expect_refused(const Outcome& run, const std::string& problem) {
        EXPECT_EQ(run.status, 2) << run.out;
        EXPECT_NE(run.err.find(problem), std::string::npos) << run.err;
        EXPECT_TRUE(folder_entries(out_folder).empty()) << "a file was left behind";
    }

    TempDir dir;
    std::wstring stub = dir / L"stub.exe";
    std::wstring archive = dir / L"input.lzh";
    std::wstring out_folder = dir / L"out";
    std::wstring output = out_folder + TempDir::SEPARATOR + L"setup.exe";
};
