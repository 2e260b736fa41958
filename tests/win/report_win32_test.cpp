#include "Sfx/report.h"

#include <gtest/gtest.h>

#include "support/message_recorder.h"

TEST(SystemError, ShowsTheSystemTextUnchangedWithoutOwnerOrCaption) {
    MessageRecorder recorder;
    SetLastError(ERROR_FILE_NOT_FOUND);
    report_last_error();
    auto messages = recorder.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].owner, nullptr);
    EXPECT_FALSE(messages[0].has_caption);
    EXPECT_EQ(messages[0].type, static_cast<uint32_t>(MB_ICONWARNING));
    // The system's own text, with the line break it ends with.
    const std::wstring& text = messages[0].text;
    ASSERT_GE(text.size(), 3u);
    EXPECT_EQ(text.substr(text.size() - 2), L"\r\n");
    EXPECT_NE(text.find_first_not_of(L"0123456789-\r\n"), std::wstring::npos);
}

TEST(SystemError, ACodeWithoutTextIsShownAsASignedNumber) {
    MessageRecorder recorder;
    // Codes with the customer bit set are never system errors.
    show_system_error(0x20001234u, MB_ICONERROR);
    show_system_error(0xE0001234u, MB_ICONWARNING);
    auto messages = recorder.messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, L"536875572");
    EXPECT_EQ(messages[0].type, static_cast<uint32_t>(MB_ICONERROR));
    EXPECT_EQ(messages[1].text, L"-536866252");
    EXPECT_EQ(messages[1].owner, nullptr);
    EXPECT_FALSE(messages[1].has_caption);
}
