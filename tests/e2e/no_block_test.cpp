// A configuration block that is only its lead byte 0: no dialog, the progress
// window under its default title, the archive extracted into the current
// directory, and nothing done afterwards. Started with the mouse in the
// screen's bottom-right corner, the window still lies wholly on the screen;
// the arguments it is given, which would look like options to other
// installers, change nothing.
#include "sfx_files.h"
#include "stub_run.h"

namespace {

// Large enough that the progress window stays up while the test looks.
constexpr uint32_t ZEROS_SIZE = 1 + 256u * 1024 * 1024;

}  // namespace

using NoBlock = StubRun;

TEST_F(NoBlock, ExtractsIntoTheCurrentDirectoryUnderTheDefaultTitle) {
    std::set<std::wstring> links_before = all_links();
    RECT work_area = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work_area, 0);
    SetCursorPos(work_area.right - 1, work_area.bottom - 1);
    start(Bytes(1, 0),
          archive({zeros_lh5("zeros.bin", ZEROS_SIZE), marker_member("run_marker.exe")},
                  corpus_archive(L"lh5-l0.lzh")),
          L"/S /D=C:\\elsewhere -o.. --help");
    bool dialog_seen = false;
    std::wstring title;
    RECT placed = {};
    bool ended = wait_until(
        [&] {
            dialog_seen = dialog_seen || !stub.windows(DIALOG_CLASS).empty();
            for (HWND window : stub.windows(PROGRESS_WINDOW_CLASS))
                if (title.empty() && IsWindowVisible(window)) {
                    title = window_text(window);
                    GetWindowRect(window, &placed);
                }
            return !stub.running();
        },
        RUN_LIMIT_MS);
    ASSERT_TRUE(ended) << "the program did not end";

    EXPECT_FALSE(dialog_seen) << "a dialog or message box appeared";
    EXPECT_EQ(shown(title), "Vorn SFX") << "progress window never seen, or titled wrongly";
    EXPECT_TRUE(placed.left >= work_area.left && placed.top >= work_area.top &&
                placed.right <= work_area.right && placed.bottom <= work_area.bottom)
        << "window at " << placed.left << "," << placed.top << "-" << placed.right << ","
        << placed.bottom << " leaves the work area " << work_area.right << "x" << work_area.bottom;
    EXPECT_EQ(stub.exit_code(), EXIT_NORMAL);
    expect_extracted("lh5-l0.lzh", work, {L"zeros.bin", MARKER_PROGRAM});
    CWinFile zeros;
    ASSERT_TRUE(zeros.open((work + L"\\zeros.bin").c_str(), GENERIC_READ, FILE_SHARE_READ,
                           OPEN_EXISTING));
    EXPECT_EQ(zeros.size(), ZEROS_SIZE);
    expect_nothing_ran(work);
    EXPECT_EQ(all_links(), links_before) << "a shortcut was made";
}
