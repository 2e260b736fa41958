#include "Sfx/own_file.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>

#include "Sfx/config.h"
#include "Sfx/config_writer.h"
#include "Sfx/folders.h"
#include "support/files.h"
#include "support/message_recorder.h"

TEST(OwnFile, TheBlockIsReadFromThePayloadOffset) {
    TempDir dir;
    MessageRecorder recorder;
    CWinFile archive;
    EXPECT_FALSE(open_payload(archive, (dir / L"gone.exe").c_str()));
    ASSERT_EQ(recorder.messages().size(), 1u);  // the system's text for the missing file
    EXPECT_EQ(recorder.messages()[0].type, static_cast<uint32_t>(MB_ICONWARNING));

    CConfigBlock block;
    block.lead_byte = 1;
    block.title = L"Installer";
    Bytes program(static_cast<size_t>(PAYLOAD_OFFSET), 0x90);
    write_file(dir / L"bare.exe", program);
    ASSERT_TRUE(encode_config_block(block, program));
    program.push_back(0);  // an empty archive
    write_file(dir / L"setup.exe", program);

    ASSERT_TRUE(open_payload(archive, (dir / L"setup.exe").c_str()));
    CSfxConfig config;
    ASSERT_TRUE(load_configuration(config, archive));
    EXPECT_STREQ(config.title.c_str(), L"Installer");
    EXPECT_EQ(archive.seek(0, FILE_CURRENT), static_cast<int64_t>(program.size()) - 1);
    // A program without a payload fails, silently: start-up ends it.
    ASSERT_TRUE(open_payload(archive, (dir / L"bare.exe").c_str()));
    EXPECT_FALSE(load_configuration(config, archive));
    EXPECT_EQ(recorder.messages().size(), 1u);
}

TEST(Destination, ResolvesAgainstTheCurrentDirectoryOrProgramFiles) {
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    // A drive root already ends with its backslash: no second one.
    ASSERT_TRUE(SetCurrentDirectoryW(L"C:\\"));
    EXPECT_STREQ(resolve_destination(0, CWideString(L"Tools")).c_str(), L"C:\\Tools");
    SetCurrentDirectoryW(previous);

    wchar_t program_files[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, program_files)));
    EXPECT_STREQ(resolve_destination(1, CWideString(L"Tools")).c_str(),
                 (std::wstring(program_files) + L"\\Tools").c_str());
    EXPECT_TRUE(special_folder_path(0x7FFF).empty());  // no such folder
}
