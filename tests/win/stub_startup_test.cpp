// The real stub started on self-extracting files whose payload is damaged:
// start-up must fail cleanly, never crash or hang.
#include <gtest/gtest.h>

#include "Sfx/config.h"
#include "Sfx/config_writer.h"
#include "support/files.h"
#include "support/process_win32.h"

namespace {

constexpr DWORD STUB_TIME_LIMIT_MS = 30000;
constexpr DWORD EXIT_STARTUP_FAILED = 2;

Bytes stub_image() {
    std::wstring stub = path_from_environment("VORNSFX_STUB");
    Bytes image = read_file(stub);
    EXPECT_EQ(image.size(), static_cast<size_t>(PAYLOAD_OFFSET)) << stub;
    return image;
}

ProcessResult run_with_payload(const TempDir& dir, const Bytes& payload) {
    Bytes program = stub_image();
    program.insert(program.end(), payload.begin(), payload.end());
    std::wstring path = dir / L"setup.exe";
    write_file(path, program);
    return run_program(path, dir.path(), STUB_TIME_LIMIT_MS);
}

Bytes valid_block() {
    CConfigBlock block;
    block.lead_byte = 1;
    block.title = L"Setup";
    block.destination = L"Dest";
    block.shortcut_target = L"app.exe";
    block.run_after = L"app.exe";
    Bytes bytes;
    encode_config_block(block, bytes);
    return bytes;
}

}  // namespace

TEST(StubStartup, AWellFormedBlockStartsUp) {
    TempDir dir;
    Bytes payload = valid_block();
    payload.push_back(0);
    ProcessResult result = run_with_payload(dir, payload);
    ASSERT_TRUE(result.started);
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_code, 0u);
}

TEST(StubStartup, MissingOrCutPayloadsFailWithoutCrashing) {
    TempDir dir;
    Bytes block = valid_block();
    // No payload at all, a lone lead byte, and cuts inside several fields.
    for (size_t cut : {size_t{0}, size_t{1}, size_t{2}, size_t{8}, block.size() / 2,
                       block.size() - 1}) {
        ProcessResult result =
            run_with_payload(dir, Bytes(block.begin(), block.begin() + static_cast<ptrdiff_t>(cut)));
        ASSERT_TRUE(result.started) << cut;
        EXPECT_FALSE(result.timed_out) << cut;
        EXPECT_EQ(result.exit_code, EXIT_STARTUP_FAILED) << "cut at " << cut;
    }
}
