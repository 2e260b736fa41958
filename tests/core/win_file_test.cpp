#include "text/win_file.h"

#include <gtest/gtest.h>

#include "support/files.h"

TEST(WinFile, AFileThatFailedToOpenRefusesEverything) {
    TempDir dir;
    make_folder(dir / L"folder");
    CWinFile file;
    EXPECT_FALSE(file.open((dir / L"folder").c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS));
    EXPECT_FALSE(file.open((dir / L"missing").c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    EXPECT_FALSE(file.is_open());
    EXPECT_EQ(file.size(), 0);
    char buffer[4];
    EXPECT_EQ(file.read(buffer, sizeof buffer), -1);
    EXPECT_FALSE(file.write(buffer, sizeof buffer));
    EXPECT_EQ(file.seek(0, FILE_BEGIN), -1);
}

TEST(WinFile, ReadsSeeksAndReportsTheSizeAtOpening) {
    TempDir dir;
    write_file(dir / L"data.bin", Bytes{1, 2, 3, 4, 5, 6, 7});
    CWinFile file;
    ASSERT_TRUE(file.open((dir / L"data.bin").c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    EXPECT_EQ(file.size(), 7);
    uint8_t buffer[16] = {};
    EXPECT_EQ(file.seek(2, FILE_BEGIN), 2);
    EXPECT_EQ(file.read(buffer, 3), 3);
    EXPECT_EQ(buffer[2], 5);
    EXPECT_EQ(file.seek(0, FILE_CURRENT), 5);
    EXPECT_EQ(file.read(buffer, sizeof buffer), 2);  // a short read at the end
    EXPECT_EQ(file.read(buffer, sizeof buffer), 0);
    EXPECT_EQ(file.seek(100, FILE_BEGIN), 100);  // past the end: allowed, reads find nothing
    EXPECT_EQ(file.read(buffer, 1), 0);
}

TEST(WinFile, CreateAlwaysReplacesAFileUnderAJapaneseName) {
    TempDir dir;
    std::wstring path = dir / L"\u65E5\u672C.txt";  // 日本.txt
    write_file(path, Bytes(100, 0xAA));
    {
        CWinFile file;
        ASSERT_TRUE(file.open(path.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS));
        EXPECT_EQ(file.size(), 0);
        EXPECT_TRUE(file.write("\x09\x08\x07", 3));
        uint8_t back[1];
        EXPECT_EQ(file.read(back, 1), -1);  // opened for writing only
    }
    EXPECT_EQ(read_file(path), (Bytes{9, 8, 7}));
}
