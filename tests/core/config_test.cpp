#include "Sfx/config.h"

#include <gtest/gtest.h>

#include <string>

#include "Sfx/config_writer.h"
#include "Sfx/folders.h"
#include "support/files.h"

namespace {

constexpr uint8_t MARKER = 0xA5;  // the archive's first byte, right behind the block

CConfigBlock full_block() {
    CConfigBlock block;
    block.lead_byte = 7;  // any value but 0 means the fields follow
    block.title = L"\u30C6\u30B9\u30C8 Setup";  // テスト Setup
    block.base_selector = 1;
    block.destination = L"D:\\Apps\\Vorn";
    block.shortcut_target = L"bin\\app.exe";
    block.start_menu_option = OPTION_OFFERED;
    block.desktop_option = OPTION_CHOSEN;
    block.send_to_option = OPTION_OFFERED | OPTION_CHOSEN | 0x80;  // other bits ride along
    block.run_after = L"R";  // a count of one
    block.shortcut_name = L"App";
    return block;
}

// Reads bytes, with the archive's first byte behind them, as the stub does:
// that byte must be what comes next.
CSfxConfig read_back(Bytes bytes) {
    bytes.push_back(MARKER);
    BytesFile input(bytes);
    CSfxConfig config;
    EXPECT_TRUE(read_config(config, input.file()));
    uint8_t next = 0;
    EXPECT_EQ(input.file().read(&next, 1), 1);
    EXPECT_EQ(next, MARKER);
    return config;
}

}  // namespace

// Every field's round trip through the block reader: the builder's tests. A
// lead byte of zero ends the block, an empty title is the program's own.
TEST(ConfigBlock, DefaultsAndCountsOfZeroOneAndTheMaximum) {
    CSfxConfig absent = read_back(Bytes{0});
    EXPECT_EQ(absent.present, 0);
    EXPECT_STREQ(absent.title.c_str(), L"Vorn SFX");
    EXPECT_STREQ(absent.destination.c_str(), current_directory().c_str());

    CConfigBlock block = full_block();
    block.title = L"";
    block.shortcut_name = CWideString(std::wstring(MAX_CONFIG_UNITS, L'\u3042').c_str());
    Bytes bytes;
    ASSERT_TRUE(encode_config_block(block, bytes));
    CSfxConfig config = read_back(bytes);
    EXPECT_EQ(config.present, 1);
    EXPECT_STREQ(config.title.c_str(), L"Vorn SFX");
    EXPECT_STREQ(config.destination.c_str(), L"D:\\Apps\\Vorn");  // a destination with a drive stays
    EXPECT_EQ(config.shortcut_name.length(), MAX_CONFIG_UNITS);
    EXPECT_EQ(config.shortcut_name[MAX_CONFIG_UNITS - 1], L'\u3042');

    // One text too long, whichever it is, refuses the whole block.
    for (auto field : {&CConfigBlock::title, &CConfigBlock::destination,
                       &CConfigBlock::shortcut_target, &CConfigBlock::run_after,
                       &CConfigBlock::shortcut_name}) {
        CConfigBlock too_long = full_block();
        too_long.*field = CWideString(std::wstring(MAX_CONFIG_UNITS + 1, L'x').c_str());
        Bytes refused{42};
        EXPECT_FALSE(encode_config_block(too_long, refused));
        EXPECT_EQ(refused, Bytes{42});
    }
}

TEST(ConfigBlock, ABlockCutAnywhereIsMalformed) {
    Bytes whole;
    ASSERT_TRUE(encode_config_block(full_block(), whole));
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        BytesFile input(Bytes(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(cut)));
        CSfxConfig config;
        EXPECT_FALSE(load_configuration(config, input.file())) << "cut at " << cut;
    }
    // Nor does a file that failed to open give a block: it refuses every call.
    TempDir dir;
    CWinFile missing;
    EXPECT_FALSE(missing.open((dir / L"missing").c_str(), GENERIC_READ, 0, OPEN_EXISTING));
    CSfxConfig config;
    EXPECT_FALSE(read_config(config, missing));
}

TEST(Destination, RelativeDestinationsHangBelowTheirBase) {
    std::wstring here = current_directory().c_str();
    ASSERT_FALSE(here.empty());
    std::wstring base = here.back() == L'\\' ? here : here + L"\\";
    EXPECT_EQ(resolve_destination(0, CWideString(L"Tools")).c_str(), base + L"Tools");
    // A rooted path without a drive is still relative to the base.
    EXPECT_EQ(resolve_destination(0, CWideString(L"\\Tools")).c_str(), base + L"\\Tools");
    // An empty destination is the current directory, whatever the selector says.
    EXPECT_EQ(resolve_destination(1, CWideString()).c_str(), here);
    EXPECT_STREQ(resolve_destination(1, CWideString(L"D:Data")).c_str(), L"D:Data");
    EXPECT_THROW(split_destination(CWideString((L"C:\\" + std::wstring(300, L'n')).c_str())),
                 SplitPathError);
}
