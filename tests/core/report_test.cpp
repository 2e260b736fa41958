#include "Sfx/report.h"

#include <gtest/gtest.h>

#include <string>

#include "Sfx/messages.h"
#include "support/message_recorder.h"
#include "text/utf8.h"

// The hook and the owner and caption rules of the program's messages are
// checked where the messages arise (member headers, extraction, the worker).

TEST(ReportDeathTest, FatalErrorShowsTheDiskMessageAndExitsWithOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The Shift_JIS text arrives converted, in an OK box with the default caption.
    EXPECT_EXIT(
        {
            set_message_hook(&print_message);
            fatal_error(reinterpret_cast<HWND>(0x40), TEXT_DISK_WRITE_FAILED);
        },
        ::testing::ExitedWithCode(EXIT_FATAL_ERROR), DISK_MESSAGE_PATTERN);
}
