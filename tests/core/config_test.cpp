#include "Sfx/config.h"

#include <gtest/gtest.h>

#include <string>

#include "Sfx/config_writer.h"
#include "Sfx/folders.h"
#include "support/files.h"

namespace {

CConfigBlock full_block() {
    CConfigBlock block;
    block.lead_byte = 1;
    block.title = L"\u30C6\u30B9\u30C8 Setup";  // テスト Setup
    block.base_selector = 0;
    block.destination = L"D:\\Apps\\Vorn";
    block.shortcut_target = L"bin\\app.exe";
    block.start_menu_option = OPTION_OFFERED;
    block.desktop_option = OPTION_CHOSEN;
    block.send_to_option = OPTION_OFFERED | OPTION_CHOSEN | 0x80;  // other bits ride along
    block.run_after = L"readme.txt";
    block.shortcut_name = L"App";
    return block;
}

Bytes encode(const CConfigBlock& block) {
    Bytes bytes;
    EXPECT_TRUE(encode_config_block(block, bytes));
    return bytes;
}

// A file holding bytes followed by a marker, opened at its start.
class BlockFile {
public:
    explicit BlockFile(const Bytes& bytes, bool with_marker = true) {
        Bytes content = bytes;
        if (with_marker) content.push_back(MARKER);
        write_file(dir_ / L"block.bin", content);
        file_.open((dir_ / L"block.bin").c_str(), GENERIC_READ, FILE_SHARE_READ,
                   OPEN_EXISTING);
    }
    CWinFile& file() { return file_; }
    // The byte right behind what the reader consumed.
    int next_byte() {
        uint8_t b = 0;
        return file_.read(&b, 1) == 1 ? b : -1;
    }
    static constexpr uint8_t MARKER = 0xA5;

private:
    TempDir dir_;
    CWinFile file_;
};

}  // namespace

TEST(ConfigBlock, EveryFieldSurvivesTheRoundTrip) {
    BlockFile input(encode(full_block()));
    CConfigBlock read;
    ASSERT_TRUE(read_config_block(input.file(), read));
    CConfigBlock expected = full_block();
    EXPECT_EQ(read.lead_byte, 1);
    EXPECT_STREQ(read.title.c_str(), expected.title.c_str());
    EXPECT_STREQ(read.destination.c_str(), expected.destination.c_str());
    EXPECT_STREQ(read.shortcut_target.c_str(), expected.shortcut_target.c_str());
    EXPECT_EQ(read.start_menu_option, expected.start_menu_option);
    EXPECT_EQ(read.desktop_option, expected.desktop_option);
    EXPECT_EQ(read.send_to_option, expected.send_to_option);
    EXPECT_STREQ(read.run_after.c_str(), expected.run_after.c_str());
    EXPECT_STREQ(read.shortcut_name.c_str(), expected.shortcut_name.c_str());
    EXPECT_EQ(input.next_byte(), BlockFile::MARKER);

    BlockFile again(encode(full_block()));
    CSfxConfig config;
    ASSERT_TRUE(read_config(config, again.file()));
    EXPECT_EQ(config.present, 1);
    EXPECT_STREQ(config.title.c_str(), expected.title.c_str());
    EXPECT_STREQ(config.destination.c_str(), L"D:\\Apps\\Vorn");  // has a drive: unchanged
    EXPECT_STREQ(config.shortcut_target.c_str(), L"bin\\app.exe");
    EXPECT_STREQ(config.run_after.c_str(), L"readme.txt");
    EXPECT_STREQ(config.shortcut_name.c_str(), L"App");
    EXPECT_EQ(config.send_to_option, OPTION_OFFERED | OPTION_CHOSEN | 0x80);
}

TEST(ConfigBlock, TheDocumentedExampleIs72BytesLong) {
    CConfigBlock block;
    block.lead_byte = 1;
    block.title = L"Vorn SFX";
    block.shortcut_target = L"setup.exe";
    block.run_after = L"setup.exe";
    block.shortcut_name = L"setup";
    Bytes bytes = encode(block);
    EXPECT_EQ(bytes.size(), 72u);
    BlockFile input(bytes);
    CSfxConfig config;
    ASSERT_TRUE(read_config(config, input.file()));
    EXPECT_EQ(input.file().seek(0, FILE_CURRENT), 72);
    EXPECT_EQ(input.next_byte(), BlockFile::MARKER);
}

TEST(ConfigBlock, LeadByteZeroEndsTheBlockWithDefaults) {
    BlockFile input(Bytes{0});
    CSfxConfig config;
    ASSERT_TRUE(read_config(config, input.file()));
    EXPECT_EQ(config.present, 0);
    EXPECT_STREQ(config.title.c_str(), L"Vorn SFX");
    EXPECT_STREQ(config.destination.c_str(), current_directory().c_str());
    EXPECT_FALSE(config.destination.empty());
    EXPECT_TRUE(config.shortcut_target.empty());
    EXPECT_EQ(input.next_byte(), BlockFile::MARKER);  // the archive starts right behind it
}

TEST(ConfigBlock, AnyNonZeroLeadByteMeansTheFieldsFollow) {
    CConfigBlock block = full_block();
    block.lead_byte = 7;
    BlockFile input(encode(block));
    CSfxConfig config;
    ASSERT_TRUE(read_config(config, input.file()));
    EXPECT_EQ(config.present, 1);
    EXPECT_STREQ(config.shortcut_name.c_str(), L"App");
}

TEST(ConfigBlock, CountsOfZeroAndOfTheMaximum) {
    CConfigBlock block = full_block();
    block.title = L"";
    block.shortcut_name = CWideString(std::wstring(MAX_CONFIG_UNITS, L'\u3042').c_str());
    Bytes bytes = encode(block);
    BlockFile input(bytes);
    CSfxConfig config;
    ASSERT_TRUE(read_config(config, input.file()));
    EXPECT_STREQ(config.title.c_str(), L"Vorn SFX");  // empty title: the program's own
    EXPECT_EQ(config.shortcut_name.length(), MAX_CONFIG_UNITS);
    EXPECT_EQ(config.shortcut_name[MAX_CONFIG_UNITS - 1], L'\u3042');
    EXPECT_EQ(input.next_byte(), BlockFile::MARKER);

    block.run_after = CWideString(std::wstring(MAX_CONFIG_UNITS + 1, L'x').c_str());
    Bytes refused{42};
    EXPECT_FALSE(encode_config_block(block, refused));
    EXPECT_EQ(refused, Bytes{42});
}

TEST(ConfigBlock, ABlockCutAnywhereIsMalformed) {
    Bytes whole = encode(full_block());
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        BlockFile input(Bytes(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(cut)),
                        /*with_marker=*/false);
        CSfxConfig config;
        EXPECT_FALSE(load_configuration(config, input.file())) << "cut at " << cut;
    }
    // A file that was never opened: nothing can be read.
    CWinFile closed;
    CSfxConfig config;
    EXPECT_FALSE(read_config(config, closed));
}

TEST(ConfigString, ReturnsTheWholeUnitsDelivered) {
    BlockFile input(Bytes{'a', 0, 'b', 0, 'c'}, /*with_marker=*/false);
    CWideString out;
    EXPECT_EQ(read_config_string(input.file(), 3, out), 2);  // 5 bytes: two whole units
    EXPECT_STREQ(out.c_str(), L"ab");
    EXPECT_EQ(read_config_string(input.file(), 0, out), 0);
    EXPECT_TRUE(out.empty());
    CWinFile closed;
    EXPECT_EQ(read_config_string(closed, 2, out), -1);
}

TEST(Destination, RelativeDestinationsHangBelowTheirBase) {
    CWideString here = current_directory();
    ASSERT_FALSE(here.empty());
    CWideString base = here;
    if (base.back() != L'\\') base.push_back(L'\\');

    EXPECT_STREQ(resolve_destination(0, CWideString(L"Tools")).c_str(),
                 (std::wstring(base.c_str()) + L"Tools").c_str());
    // A rooted path without a drive is still relative to the base.
    EXPECT_STREQ(resolve_destination(0, CWideString(L"\\Tools")).c_str(),
                 (std::wstring(base.c_str()) + L"\\Tools").c_str());
    // An empty destination is the current directory, whatever the selector says.
    EXPECT_STREQ(resolve_destination(1, CWideString()).c_str(), here.c_str());
    EXPECT_STREQ(resolve_destination(1, CWideString(L"D:Data")).c_str(), L"D:Data");
    EXPECT_STREQ(resolve_destination(0, CWideString(L"D:\\Data")).c_str(), L"D:\\Data");
#ifndef _WIN32
    // Natively there are no shell folders: a missing base still yields a path.
    EXPECT_STREQ(resolve_destination(1, CWideString(L"Tools")).c_str(), L"\\Tools");
#endif
}

TEST(Destination, AnUnsplittablePathRaisesTheSplitError) {
    std::wstring too_long = L"C:\\" + std::wstring(300, L'n');
    EXPECT_THROW(split_destination(CWideString(too_long.c_str())), SplitPathError);
    EXPECT_STREQ(SplitPathError().what(), "Failed to split path.");
}
