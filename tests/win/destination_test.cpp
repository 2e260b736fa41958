// Where a configured destination goes: below the current folder or below
// Program Files.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>

#include "Sfx/config.h"
#include "Sfx/folders.h"

TEST(Destination, ResolvesAgainstTheCurrentDirectoryOrProgramFiles) {
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    // A drive root already ends with its backslash: no second one.
    ASSERT_TRUE(SetCurrentDirectoryW(L"C:\\"));
    EXPECT_STREQ(resolve_destination(0, CWideString(L"Tools")).c_str(), L"C:\\Tools");
    SetCurrentDirectoryW(previous);

    wchar_t program_files[MAX_PATH] = {};
    ASSERT_TRUE(
        SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, program_files)));
    EXPECT_STREQ(resolve_destination(1, CWideString(L"Tools")).c_str(),
                 (std::wstring(program_files) + L"\\Tools").c_str());
    EXPECT_TRUE(special_folder_path(0x7FFF).empty());  // no such folder
}
