// One member at a time into a real folder: folders, output files, damaged
// data and the messages that name a path.
#include "Sfx/extract.h"

#include <gtest/gtest.h>

#include "Sfx/directories.h"
#include "Sfx/messages.h"
#include "huffman/huffman.h"
#include "support/block_writer.h"
#include "support/engine_runner.h"
#include "support/files.h"
#include "support/header_writer.h"
#include "support/message_recorder.h"
#include "support/system_text_win32.h"
#include "support/tree_win32.h"
#include "text/utf8.h"

namespace {

constexpr int64_t MARCH_2000_UTC = 951868800;  // a level-2 time stamp
const HWND PROGRESS_WINDOW = reinterpret_cast<HWND>(0x4242);

Bytes text_bytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

HeaderFields level2(const std::string& name, const std::string& method, const Bytes& data) {
    HeaderFields f;
    f.level = 2;
    f.method = method;
    f.packed_size = f.original_size = static_cast<uint32_t>(data.size());
    f.crc = reference_crc16(data);
    f.time = MARCH_2000_UTC;
    f.extensions = {name_extension(name)};
    return f;
}

Bytes with_data(const HeaderFields& f, const Bytes& data) {
    Bytes out = header_bytes(f);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes folder_member(const std::string& name) {
    return header_bytes(level2(name, "-lhd-", Bytes()));
}

Bytes file_member(const std::string& name, const Bytes& data) {
    return with_data(level2(name, "-lh0-", data), data);
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
        std::wstring archive = dir_ / L"member.lzh";
        write_file(archive, member_bytes);
        app_.archive.reset(new CWinFile);
        EXPECT_TRUE(
            app_.archive->open(archive.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
        CMemberHeader member;
        EXPECT_EQ(read_member_header(*app_.archive, nullptr, member), HeaderRead::member);
        bool result = extract_member(app_, member);
        app_.archive.reset();
        return result;
    }
    Tree tree() const { return list_tree(destination_); }
    std::wstring at(const std::wstring& relative) const { return destination_ + L"\\" + relative; }

    TempDir dir_;
    std::wstring destination_ = dir_ / L"dest";
    wchar_t previous_[MAX_PATH] = {};
    CSfxApp app_;
    MessageRecorder recorder_;
};

// The one message of a system failure: the system's text, no owner, no caption.
void expect_system_error(const std::vector<RecordedMessage>& messages) {
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].owner, nullptr);
    EXPECT_FALSE(messages[0].has_caption);
    EXPECT_EQ(messages[0].type, static_cast<uint32_t>(MB_ICONWARNING));
    EXPECT_FALSE(messages[0].text.empty());
    EXPECT_NE(messages[0].text, system_text(ERROR_SUCCESS));  // the reason survived until shown
}

}  // namespace

TEST_F(Extract, AnEmptyStoredMemberBecomesAnEmptyFileWithTheHeadersTime) {
    EXPECT_TRUE(extract(file_member("empty.txt", Bytes())));
    Tree files = tree();
    ASSERT_EQ(files.count(L"empty.txt"), 1u);
    EXPECT_TRUE(files[L"empty.txt"].content.empty());
    EXPECT_EQ(files[L"empty.txt"].mtime, MARCH_2000_UTC);
    EXPECT_EQ(app_.current_output.c_str(), std::wstring(L"empty.txt"));
    EXPECT_TRUE(recorder_.messages().empty());
}

TEST_F(Extract, FoldersAndTheParentsOfFilesAreCreatedTopDown) {
    EXPECT_TRUE(extract(folder_member("x/y/z/")));
    EXPECT_TRUE(extract(folder_member("x/y/")));  // already there: simply a success
    EXPECT_TRUE(extract(file_member("p/q/r.txt", text_bytes("r"))));  // no folder members
    HeaderFields level0;
    level0.level = 0;
    level0.name = ascii("a\\b\\f.txt");
    level0.packed_size = level0.original_size = 1;
    level0.crc = reference_crc16(text_bytes("f"));
    EXPECT_TRUE(extract(with_data(level0, text_bytes("f"))));
    EXPECT_EQ(describe(tree()),
              "D a\nD a/b\nF a/b/f.txt (1)\nD p\nD p/q\nF p/q/r.txt (1)\nD x\nD x/y\nD x/y/z\n");
    EXPECT_TRUE(recorder_.messages().empty());
}

TEST_F(Extract, AFileWhereAFolderShouldBeFails) {
    write_file(at(L"f"), text_bytes("a file"));
    EXPECT_FALSE(extract(folder_member("f/sub/")));
    expect_system_error(recorder_.messages());
    EXPECT_EQ(recorder_.messages()[0].text, system_text(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(extract(file_member("f/g.txt", text_bytes("g"))));
    EXPECT_EQ(recorder_.messages().size(), 2u);
    EXPECT_TRUE(tree()[L"f"].content == text_bytes("a file"));
    EXPECT_EQ(app_.failed, 0);  // nothing damaged: the worker decides about the run

    // And below create_directory_tree itself: the reason is "already exists".
    EXPECT_FALSE(create_directory_tree(CWideString(at(L"f").c_str())));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(create_directory_tree(CWideString(destination_.c_str())));
}

TEST_F(Extract, UndecodableDataCountsAsDamagedLikeACrcMismatch) {
    // A code-length code that asks for a length of 17 bits: the engine gives up.
    BlockWriter writer(14);
    Lengths length_code(19, 0);
    length_code[3] = 17;
    writer.block(1, length_code, Lengths(), Lengths(), 'x', 0);
    // A header without a CRC: the damage must show all the same.
    HeaderFields f;
    f.level = 0;
    f.method = "-lh5-";
    f.name = ascii("bad.bin");
    f.with_crc = false;
    f.packed_size = static_cast<uint32_t>(writer.bytes().size());
    f.original_size = 100;
    EXPECT_FALSE(extract(with_data(f, writer.bytes())));
    EXPECT_EQ(app_.failed, 1);
    EXPECT_EQ(tree().count(L"bad.bin"), 1u);  // kept, as after a CRC mismatch
    auto messages = recorder_.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, L"ファイル bad.bin が壊れています。");
    EXPECT_EQ(messages[0].owner, PROGRESS_WINDOW);
    EXPECT_FALSE(messages[0].has_caption);
    EXPECT_EQ(messages[0].type, static_cast<uint32_t>(MB_ICONWARNING));
}

TEST_F(Extract, APathTooLongForTheMessageIsCutAtItsFront) {
    std::string folder(100, 'd');
    std::string name = folder + "/" + std::string(100, 'e') + "/" + std::string(60, 'n') + ".bin";
    Bytes data = text_bytes("damaged");
    HeaderFields f = level2(name, "-lh0-", data);
    f.crc ^= 1;
    EXPECT_FALSE(extract(with_data(f, data)));
    auto messages = recorder_.messages();
    ASSERT_EQ(messages.size(), 1u);
    const std::wstring& text = messages[0].text;
    EXPECT_LE(text.size(), MESSAGE_UNITS - 1);
    EXPECT_EQ(text.substr(0, 6), L"ファイル \x2026");
    const std::wstring broken_tail = L" が壊れています。";
    EXPECT_EQ(text.substr(text.size() - broken_tail.size()), broken_tail);
    EXPECT_NE(text.find(utf8_to_utf16(std::string(60, 'n') + ".bin")), std::wstring::npos);

    // The folder-clash warning keeps its text whole the same way.
    std::wstring clash = utf8_to_utf16(folder + "/" + std::string(100, 'e') + "/" +
                                       std::string(60, 'c') + ".bin");
    make_folder(at(clash));
    EXPECT_TRUE(check_folder_clash(app_, CWideSz(clash.c_str())));
    messages = recorder_.messages();
    ASSERT_EQ(messages.size(), 2u);
    const std::wstring& warning = messages[1].text;
    EXPECT_LE(warning.size(), MESSAGE_UNITS - 1);
    EXPECT_EQ(warning.front(), L'\x2026');
    const std::wstring clash_tail = L".bin " + std::wstring(TEXT_FOLDER_CLASH);
    EXPECT_EQ(warning.substr(warning.size() - clash_tail.size()), clash_tail);
}

TEST_F(Extract, ANameWithNothingUsableLeftWritesNothing) {
    EXPECT_TRUE(extract(folder_member("../")));  // the destination itself
    EXPECT_TRUE(recorder_.messages().empty());
    EXPECT_FALSE(extract(file_member("..", text_bytes("nameless"))));
    expect_system_error(recorder_.messages());
    EXPECT_TRUE(tree().empty());
}

TEST_F(Extract, AnUnknownMethodIsSkippedSilently) {
    HeaderFields f = level2("later.bin", "-lh9-", text_bytes("data"));
    EXPECT_TRUE(extract(with_data(f, text_bytes("data"))));
    EXPECT_TRUE(tree().empty());
    EXPECT_TRUE(recorder_.messages().empty());
    EXPECT_EQ(app_.failed, 0);
}
