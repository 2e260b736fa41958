#include "text/wide_string.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

TEST(WideString, PushBackReserveAndResizeKeepTheText) {
    EXPECT_STREQ(CWideString().c_str(), L"");  // even empty, a terminated buffer
    CWideString text(L"abc");
    for (int i = 0; i < 8; ++i) text.push_back(i == 0 ? L'd' : L'x');
    text.reserve(20, 2);
    EXPECT_STREQ(text.c_str(), L"abcdxxxxxxx");
    text.resize(13, L'-');
    EXPECT_STREQ(text.c_str(), L"abcdxxxxxxx--");
    text.resize(1);
    EXPECT_STREQ(text.c_str(), L"a");
}

// The source of an edit may lie in the buffer the edit replaces.
TEST(WideString, RangesCopiesAndMovesMayAliasTheStringItself) {
    CWideString text(L"0123456789");
    text.assign(text.c_str() + 4, text.c_str() + 7);
    EXPECT_STREQ(text.c_str(), L"456");
    text.append(text.c_str(), text.c_str() + text.length());  // needs a new buffer
    EXPECT_STREQ(text.c_str(), L"456456");
    text.reserve(20);
    text.append(text.c_str() + 1, text.c_str() + 3);  // fits in place
    EXPECT_STREQ(text.c_str(), L"45645656");

    CWideString& alias = text;
    text = alias;
    EXPECT_STREQ(text.c_str(), L"45645656");
    CWideString moved(std::move(text));
    EXPECT_STREQ(moved.c_str(), L"45645656");
    EXPECT_STREQ(text.c_str(), L"");  // NOLINT: moved-from stays valid and empty
}

TEST(WideString, TruncateAtLastCutsInFrontOfTheLastSeparator) {
    CWideString path(L"a\\b\\c");
    // Searching back from a position, which may lie beyond the end.
    const std::pair<size_t, ptrdiff_t> searches[] = {{0, -1}, {1, 1}, {2, 1}, {3, 3}, {4, 3}, {99, 3}};
    for (const auto& [from, found] : searches) EXPECT_EQ(path.find_last(L'\\', from), found) << from;
    EXPECT_EQ(path.find_last(L'c', 99), 4);
    EXPECT_EQ(path.find_last(L'a', 0), 0);
    EXPECT_EQ(CWideString().find_last(L'a', 0), -1);
    EXPECT_TRUE(path.truncate_at_last(L'\\'));
    EXPECT_STREQ(path.c_str(), L"a\\b");
    CWideString plain(L"abc");
    EXPECT_FALSE(plain.truncate_at_last(L'\\'));
    EXPECT_STREQ(plain.c_str(), L"abc");
    EXPECT_FALSE(CWideString().truncate_at_last(L'\\'));
}

TEST(SplitPath, SplitsLikeTheRuntimeAndEmptiesEveryPartOfAnOverlongOne) {
    const wchar_t* const cases[][5] = {
        // path, drive, folder, name, extension
        {L"C:\\Program Files\\App\\setup.exe", L"C:", L"\\Program Files\\App\\", L"setup", L".exe"},
        {L"D:Data", L"D:", L"", L"Data", L""},
        {L"a/b\\c.d.e", L"", L"a/b\\", L"c.d", L".e"},
        {L"dir.x/name", L"", L"dir.x/", L"name", L""},
        {L".hidden", L"", L"", L"", L".hidden"},
    };
    CPathParts parts;
    for (const auto& c : cases) {
        ASSERT_TRUE(split_path(CWideString(c[0]), parts)) << c[0];
        EXPECT_STREQ(parts.drive.c_str(), c[1]) << c[0];
        EXPECT_STREQ(parts.directory.c_str(), c[2]) << c[0];
        EXPECT_STREQ(parts.name.c_str(), c[3]) << c[0];
        EXPECT_STREQ(parts.extension.c_str(), c[4]) << c[0];
    }
    std::wstring longest(SPLIT_COMPONENT_UNITS - 1, L'n');
    EXPECT_TRUE(split_path(CWideString((L"C:\\" + longest).c_str()), parts));
    EXPECT_FALSE(split_path(CWideString((L"C:\\" + longest + L"n.txt").c_str()), parts));
    EXPECT_TRUE(parts.drive.empty() && parts.directory.empty() && parts.name.empty() &&
                parts.extension.empty());
}
