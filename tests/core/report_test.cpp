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

#ifdef _WIN32
// A system failure: the system's own text unchanged (line break included), or
// the code in signed decimal when the system has none; no owner, no caption.
// A text with inserts comes whole, the inserts as the system wrote them.
TEST(SystemError, ShowsTheSystemTextOrTheCodeAsASignedNumber) {
    MessageRecorder recorder;
    SetLastError(ERROR_FILE_NOT_FOUND);
    report_last_error();
    // Codes with the customer bit set are never system errors.
    show_system_error(0x20001234u, MB_ICONERROR);
    show_system_error(0xE0001234u, MB_ICONWARNING);
    show_system_error(ERROR_MR_MID_NOT_FOUND, MB_ICONWARNING);  // "... 0x%1 ... %2."
    auto messages = recorder.messages();
    ASSERT_EQ(messages.size(), 4u);
    const std::wstring& text = messages[0].text;
    ASSERT_GE(text.size(), 3u);
    EXPECT_EQ(text.substr(text.size() - 2), L"\r\n");
    EXPECT_NE(text.find_first_not_of(L"0123456789-\r\n"), std::wstring::npos);
    EXPECT_EQ(messages[0].type, static_cast<uint32_t>(MB_ICONWARNING));
    EXPECT_EQ(messages[1].text, L"536875572");
    EXPECT_EQ(messages[1].type, static_cast<uint32_t>(MB_ICONERROR));
    EXPECT_EQ(messages[2].text, L"-536866252");
    EXPECT_NE(messages[3].text.find(L"%1"), std::wstring::npos) << utf16_to_utf8(messages[3].text);
    for (const RecordedMessage& message : messages) {
        EXPECT_EQ(message.owner, nullptr);
        EXPECT_FALSE(message.has_caption);
    }
}
#endif
