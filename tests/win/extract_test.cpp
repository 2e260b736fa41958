// One member at a time into a real folder: what cannot be created, and the
// messages that name a path. (Nested folders and files, and damaged data, go
// through the worker's tests.)
#include "Sfx/extract.h"

#include <gtest/gtest.h>

#include "Sfx/messages.h"
#include "huffman/huffman.h"
#include "support/engine_runner.h"
#include "support/header_writer.h"
#include "support/message_recorder.h"
#include "support/system_text_win32.h"
#include "support/tree_win32.h"
#include "text/utf8.h"

namespace {

const HWND PROGRESS_WINDOW = reinterpret_cast<HWND>(0x4242);
const std::wstring BROKEN_TAIL = L" が壊れています。";

Bytes folder_member(const std::string& name) {
    HeaderFields f;
    f.method = "-lhd-";
    return member_with(f, name, Bytes());
}

Bytes file_member(const std::string& name, const Bytes& data, uint16_t crc_change = 0) {
    HeaderFields f;
    f.original_size = static_cast<uint32_t>(data.size());
    f.crc = reference_crc16(data) ^ crc_change;
    return member_with(f, name, data);
}

// Extraction into a fresh destination made the current folder, as the
// destination dialog leaves it for the worker.
class Extract : public ::testing::Test {
protected:
    void SetUp() override {
        make_folder(destination_);
        GetCurrentDirectoryW(MAX_PATH, previous_);
        ASSERT_TRUE(SetCurrentDirectoryW(destination_.c_str()));
        HUFFMAN::build_crc16_table();
        app_.main_window = PROGRESS_WINDOW;
    }
    void TearDown() override { SetCurrentDirectoryW(previous_); }

    bool extract(const Bytes& member_bytes) {
        write_file(dir_ / L"member.lzh", member_bytes);
        app_.archive.reset(new CWinFile);
        app_.archive->open((dir_ / L"member.lzh").c_str(), GENERIC_READ, FILE_SHARE_READ,
                           OPEN_EXISTING);
        CMemberHeader header;
        EXPECT_EQ(read_member_header(*app_.archive, nullptr, header), HeaderRead::member);
        bool result = extract_member(app_, header);
        app_.archive.reset();
        return result;
    }
    // The one new message: its text; it came from the given owner with the
    // warning icon and the system's caption.
    std::wstring last_message(HWND owner) {
        auto messages = recorder_.messages();
        EXPECT_EQ(messages.size(), ++messages_seen_);
        if (messages.empty()) return std::wstring();
        EXPECT_EQ(messages.back().owner, owner);
        EXPECT_FALSE(messages.back().has_caption);
        EXPECT_EQ(messages.back().type, static_cast<uint32_t>(MB_ICONWARNING));
        return messages.back().text;
    }

    TempDir dir_;
    std::wstring destination_ = dir_ / L"dest";
    wchar_t previous_[MAX_PATH] = {};
    CSfxApp app_;
    MessageRecorder recorder_;
    size_t messages_seen_ = 0;
};

}  // namespace

TEST_F(Extract, WhatCannotBeCreatedIsReportedWithTheSystemText) {
    write_file(destination_ + L"\\f", ascii("a file"));
    EXPECT_FALSE(extract(folder_member("f/sub/")));
    EXPECT_EQ(last_message(nullptr), system_text(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(extract(file_member("f/g.txt", ascii("g"))));
    EXPECT_NE(last_message(nullptr), system_text(ERROR_SUCCESS));  // the reason survived
    EXPECT_FALSE(extract(file_member("..", ascii("nothing usable is left of the name"))));
    EXPECT_NE(last_message(nullptr), system_text(ERROR_SUCCESS));
    EXPECT_EQ(describe(list_tree(destination_)), "F f (6)\n");
    EXPECT_EQ(app_.failed, 0);  // nothing damaged: the worker decides about the run
}

TEST_F(Extract, APathTooLongForItsMessageIsCutAtItsFront) {
    const std::string folder = std::string(100, 'd') + "/" + std::string(100, 'e') + "/";
    EXPECT_FALSE(extract(file_member(folder + std::string(60, 'n') + ".bin", ascii("x"), 1)));
    std::wstring text = last_message(PROGRESS_WINDOW);
    EXPECT_LE(text.size(), MESSAGE_UNITS - 1);
    EXPECT_EQ(text.substr(0, 6), L"ファイル \x2026");
    EXPECT_EQ(text.substr(text.size() - BROKEN_TAIL.size() - 64), std::wstring(60, 'n') + L".bin" +
                                                                   BROKEN_TAIL);

    // The folder-clash warning keeps its text whole the same way.
    std::wstring clash = utf8_to_utf16(folder + std::string(60, 'c') + ".bin");
    make_folder(destination_ + L"\\" + clash);
    EXPECT_TRUE(check_folder_clash(app_, CWideSz(clash.c_str())));
    text = last_message(PROGRESS_WINDOW);
    EXPECT_LE(text.size(), MESSAGE_UNITS - 1);
    EXPECT_EQ(text.front(), L'\x2026');
    const std::wstring clash_tail = L".bin " + std::wstring(TEXT_FOLDER_CLASH);
    EXPECT_EQ(text.substr(text.size() - clash_tail.size()), clash_tail);
}
