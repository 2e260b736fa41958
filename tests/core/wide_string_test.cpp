#include "text/wide_string.h"

#include <gtest/gtest.h>

#include <string>

#include "text/crt_path.h"

TEST(WideString, EmptyStringOwnsATerminatedBuffer) {
    CWideString empty;
    EXPECT_EQ(empty.length(), 0u);
    EXPECT_EQ(empty.capacity(), 0u);
    ASSERT_NE(empty.c_str(), nullptr);
    EXPECT_EQ(empty.c_str()[0], 0);

    CWideString from_empty(L"");
    EXPECT_EQ(from_empty.length(), 0u);
    EXPECT_EQ(from_empty.c_str()[0], 0);
    CWideString from_null(static_cast<const wchar_t*>(nullptr));
    EXPECT_EQ(from_null.length(), 0u);
}

TEST(WideString, GrowthIsExactExceptPushBack) {
    CWideString text(L"abc");
    EXPECT_EQ(text.capacity(), 3u);
    text.push_back(L'd');
    EXPECT_EQ(text.capacity(), 4u + CWideString::PUSH_BACK_SPARE);
    EXPECT_STREQ(text.c_str(), L"abcd");
    for (int i = 0; i < 7; ++i) text.push_back(L'x');
    EXPECT_EQ(text.capacity(), 11u);  // the spare units were used, no reallocation
    text.reserve(5);
    EXPECT_EQ(text.capacity(), 11u);
    text.reserve(20, 2);
    EXPECT_EQ(text.capacity(), 22u);
    EXPECT_STREQ(text.c_str(), L"abcdxxxxxxx");
}

TEST(WideString, RangesMayComeFromTheStringItself) {
    CWideString text(L"0123456789");
    text.assign(text.c_str() + 4, text.c_str() + 7);
    EXPECT_STREQ(text.c_str(), L"456");

    CWideString grown(L"abc");
    grown.append(grown.c_str(), grown.c_str() + grown.length());  // needs a new buffer
    EXPECT_STREQ(grown.c_str(), L"abcabc");
    grown.reserve(20);
    grown.append(grown.c_str() + 1, grown.c_str() + 3);  // fits in place
    EXPECT_STREQ(grown.c_str(), L"abcabcbc");
    EXPECT_EQ(grown.length(), 8u);
}

TEST(WideString, ResizeFillsAndCuts) {
    CWideString text(L"ab");
    text.resize(5, L'-');
    EXPECT_STREQ(text.c_str(), L"ab---");
    text.resize(1);
    EXPECT_STREQ(text.c_str(), L"a");
    EXPECT_EQ(text.length(), 1u);
}

TEST(WideString, CopiesAndMovesLeaveUsableObjects) {
    CWideString a(L"left");
    CWideString b(a);
    b += L"-right";
    EXPECT_STREQ(a.c_str(), L"left");
    CWideString c(std::move(b));
    EXPECT_STREQ(c.c_str(), L"left-right");
    EXPECT_STREQ(b.c_str(), L"");  // NOLINT: moved-from stays valid and empty
    b = L"again";
    EXPECT_STREQ(b.c_str(), L"again");
    c = c;
    EXPECT_STREQ(c.c_str(), L"left-right");
}

TEST(WideString, FindLastAndTruncateAtLast) {
    CWideString path(L"a\\b\\c");
    EXPECT_EQ(path.find_last(L'\\'), 3);
    EXPECT_EQ(path.find_last(L'\\', 2), 1);
    EXPECT_EQ(path.find_last(L'\\', 0), -1);
    EXPECT_EQ(path.find_last(L'/'), -1);
    EXPECT_EQ(CWideString().find_last(L'\\'), -1);

    EXPECT_TRUE(path.truncate_at_last(L'\\'));
    EXPECT_STREQ(path.c_str(), L"a\\b");
    CWideString plain(L"abc");
    EXPECT_FALSE(plain.truncate_at_last(L'\\'));
    EXPECT_STREQ(plain.c_str(), L"abc");
}

struct SplitCase {
    const wchar_t* path;
    const wchar_t* drive;
    const wchar_t* directory;
    const wchar_t* name;
    const wchar_t* extension;
};

TEST(SplitPath, SplitsLikeTheRuntime) {
    const SplitCase cases[] = {
        {L"C:\\Program Files\\App\\setup.exe", L"C:", L"\\Program Files\\App\\", L"setup", L".exe"},
        {L"D:Data", L"D:", L"", L"Data", L""},
        {L"\\Tools", L"", L"\\", L"Tools", L""},
        {L"Tools", L"", L"", L"Tools", L""},
        {L"a/b\\c.d.e", L"", L"a/b\\", L"c.d", L".e"},
        {L"dir.x/name", L"", L"dir.x/", L"name", L""},
        {L".hidden", L"", L"", L"", L".hidden"},
        {L"", L"", L"", L"", L""},
    };
    for (const SplitCase& c : cases) {
        CPathParts parts;
        ASSERT_TRUE(split_path(CWideString(c.path), parts)) << c.path;
        EXPECT_STREQ(parts.drive.c_str(), c.drive) << c.path;
        EXPECT_STREQ(parts.directory.c_str(), c.directory) << c.path;
        EXPECT_STREQ(parts.name.c_str(), c.name) << c.path;
        EXPECT_STREQ(parts.extension.c_str(), c.extension) << c.path;
    }
}

TEST(SplitPath, AComponentThatDoesNotFitEmptiesEveryPart) {
    std::wstring longest(SPLIT_COMPONENT_UNITS - 1, L'n');
    CPathParts parts;
    EXPECT_TRUE(split_path(CWideString((L"C:\\dir\\" + longest).c_str()), parts));
    EXPECT_EQ(parts.name.length(), SPLIT_COMPONENT_UNITS - 1);

    std::wstring too_long(SPLIT_COMPONENT_UNITS, L'n');
    EXPECT_FALSE(split_path(CWideString((L"C:\\dir\\" + too_long + L".txt").c_str()), parts));
    EXPECT_TRUE(parts.drive.empty());
    EXPECT_TRUE(parts.directory.empty());
    EXPECT_TRUE(parts.name.empty());
    EXPECT_TRUE(parts.extension.empty());
}

TEST(MakePath, JoinsPartsAddingOnlyMissingSeparatorsAndDots) {
    wchar_t out[16];
    ASSERT_EQ(crt_make_path(out, 16, nullptr, L"dir/", L"name", L".ext"), 0);
    EXPECT_STREQ(out, L"dir/name.ext");
    ASSERT_EQ(crt_make_path(out, 16, L"C:", L"dir", L"n", L"e"), 0);
    EXPECT_STREQ(out, L"C:dir\\n.e");
    ASSERT_EQ(crt_make_path(out, 16, nullptr, L"", L"name", L""), 0);
    EXPECT_STREQ(out, L"name");
    EXPECT_NE(crt_make_path(out, 8, nullptr, L"folder/", L"name", L".txt"), 0);
    EXPECT_STREQ(out, L"");
}
