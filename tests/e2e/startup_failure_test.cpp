// Self-extracting files whose payload is missing or whose configuration block
// is cut short: start-up fails without any window, nothing is extracted, and
// the process ends by itself.
#include "sfx_files.h"
#include "stub_run.h"

using StartupFailure = StubRun;

TEST_F(StartupFailure, NoPayloadOrACutBlockEndsWithoutAWindow) {
    Bytes block = block_bytes(marker_block(L"Setup", L"Dest", L"App"));
    // Nothing behind the stub; a lone lead byte; cuts inside the title's
    // count, the title, and the last field.
    for (size_t cut : {size_t{0}, size_t{1}, size_t{2}, size_t{8}, block.size() - 1}) {
        SCOPED_TRACE("block cut after " + std::to_string(cut) + " bytes");
        UiProcess process;
        write_sfx(dir / L"setup.exe", Bytes(block.begin(), block.begin() + cut), Bytes());
        ASSERT_TRUE(process.start(dir / L"setup.exe", work));
        bool window_seen = false;
        bool ended = wait_until(
            [&] {
                // Any dialog, message box or progress window, hidden or not.
                window_seen = window_seen || !process.windows(DIALOG_CLASS).empty() ||
                              !process.windows(PROGRESS_WINDOW_CLASS).empty();
                return !process.running();
            },
            RUN_LIMIT_MS);
        ASSERT_TRUE(ended) << "the program did not end";
        EXPECT_FALSE(window_seen);
        EXPECT_EQ(process.exit_code(), EXIT_STARTUP_FAILED);
        EXPECT_TRUE(folder_entries(work).empty()) << "something was extracted";
    }
}
