// The file object that failed to open: every later call refuses, as the
// header reader and the configuration reader rely on.
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
