#include "Sfx/own_file.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>

#include "Sfx/config.h"
#include "Sfx/config_writer.h"
#include "Sfx/folders.h"
#include "support/files.h"
#include "support/message_recorder.h"

namespace {

// A program image of exactly the payload offset, then the payload.
void write_program(const std::wstring& path, const Bytes& payload) {
    Bytes content(static_cast<size_t>(PAYLOAD_OFFSET), 0x90);
    content.insert(content.end(), payload.begin(), payload.end());
    write_file(path, content);
}

// Makes folder the current directory for the life of the object.
class InFolder {
public:
    explicit InFolder(const std::wstring& folder) {
        GetCurrentDirectoryW(MAX_PATH, previous_);
        EXPECT_TRUE(SetCurrentDirectoryW(folder.c_str()));
    }
    ~InFolder() { SetCurrentDirectoryW(previous_); }

private:
    wchar_t previous_[MAX_PATH];
};

}  // namespace

TEST(OwnFile, AMissingFileShowsTheSystemMessage) {
    TempDir dir;
    MessageRecorder recorder;
    CWinFile archive;
    EXPECT_FALSE(open_payload(archive, (dir / L"gone.exe").c_str()));
    auto messages = recorder.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].type, static_cast<uint32_t>(MB_ICONWARNING));
    EXPECT_FALSE(messages[0].text.empty());
}

TEST(OwnFile, TheBlockIsReadFromThePayloadOffset) {
    TempDir dir;
    CConfigBlock block;
    block.lead_byte = 1;
    block.title = L"Installer";
    block.shortcut_target = L"app.exe";
    Bytes payload;
    ASSERT_TRUE(encode_config_block(block, payload));
    payload.push_back(0);  // an empty archive
    write_program(dir / L"setup.exe", payload);

    MessageRecorder recorder;
    CWinFile archive;
    ASSERT_TRUE(open_payload(archive, (dir / L"setup.exe").c_str()));
    CSfxConfig config;
    ASSERT_TRUE(load_configuration(config, archive));
    EXPECT_STREQ(config.title.c_str(), L"Installer");
    EXPECT_EQ(archive.seek(0, FILE_CURRENT), PAYLOAD_OFFSET + static_cast<int64_t>(payload.size()) - 1);
    EXPECT_TRUE(recorder.messages().empty());
}

TEST(OwnFile, AProgramWithoutPayloadFailsSilently) {
    TempDir dir;
    write_program(dir / L"bare.exe", Bytes());
    MessageRecorder recorder;
    CWinFile archive;
    ASSERT_TRUE(open_payload(archive, (dir / L"bare.exe").c_str()));
    CSfxConfig config;
    EXPECT_FALSE(load_configuration(config, archive));
    EXPECT_TRUE(recorder.messages().empty());
}

TEST(Destination, ResolvesAgainstTheRealCurrentDirectory) {
    TempDir dir;
    std::wstring folder = dir.path();
    InFolder here(folder);
    EXPECT_STREQ(resolve_destination(0, CWideString(L"Tools")).c_str(), (folder + L"\\Tools").c_str());

    // A drive root already ends with its backslash: no second one.
    InFolder root(L"C:\\");
    EXPECT_STREQ(resolve_destination(0, CWideString(L"Tools")).c_str(), L"C:\\Tools");
}

TEST(Destination, SelectorOneUsesTheProgramFilesFolder) {
    wchar_t expected[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, expected)));
    ASSERT_STREQ(special_folder_path(PROGRAM_FILES_FOLDER).c_str(), expected);
    EXPECT_STREQ(resolve_destination(1, CWideString(L"Tools")).c_str(),
                 (std::wstring(expected) + L"\\Tools").c_str());
    EXPECT_TRUE(special_folder_path(0x7FFF).empty());  // no such folder
}
