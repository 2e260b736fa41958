#include "Sfx/report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "Sfx/messages.h"
#include "support/message_recorder.h"
#include "text/utf8.h"

TEST(Report, MessagesReachTheHookWithOwnerCaptionAndType) {
    MessageRecorder recorder;
    HWND owner = reinterpret_cast<HWND>(0x1234);
    show_message(owner, TEXT_UNKNOWN_HEADER, DEFAULT_TITLE, MB_ICONERROR);
    show_message(nullptr, L"plain", nullptr, MB_ICONWARNING);
    auto messages = recorder.messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].owner, owner);
    EXPECT_EQ(messages[0].text, L"Unknown header");
    EXPECT_TRUE(messages[0].has_caption);
    EXPECT_EQ(messages[0].caption, L"Vorn SFX");
    EXPECT_EQ(messages[0].type, MB_ICONERROR);
    EXPECT_FALSE(messages[1].has_caption);  // the system's default caption
    EXPECT_EQ(messages[1].type, MB_ICONWARNING);
}

namespace {
// In the child process of a death test: print what would be shown, so the
// parent can check it on the child's standard error.
int print_message(HWND owner, const wchar_t* text, const wchar_t* caption, uint32_t type) {
    std::string line = utf16_to_utf8(std::wstring(text));
    std::fprintf(stderr, "owner=%p caption=%s type=%u text=[%s]\n", static_cast<void*>(owner),
                 caption ? "set" : "default", type, line.c_str());
    return 1;
}
}  // namespace

TEST(ReportDeathTest, FatalErrorShowsTheDiskMessageAndExitsWithOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    HWND owner = reinterpret_cast<HWND>(0x40);
    // The Shift_JIS text arrives as "ディスクに書き込めません" and its line feed,
    // in an OK box without icon and with the default caption.
    EXPECT_EXIT(
        {
            set_message_hook(&print_message);
            fatal_error(owner, TEXT_DISK_WRITE_FAILED);
        },
        ::testing::ExitedWithCode(EXIT_FATAL_ERROR),
        "caption=default type=0 text=\\[\xE3\x83\x87\xE3\x82\xA3\xE3\x82\xB9\xE3\x82\xAF"
        "\xE3\x81\xAB\xE6\x9B\xB8\xE3\x81\x8D\xE8\xBE\xBC\xE3\x82\x81\xE3\x81\xBE\xE3\x81\x9B"
        "\xE3\x82\x93\n\\]");
}
