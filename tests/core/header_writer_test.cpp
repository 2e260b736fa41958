// The headers the tests build their archives from, read by lhasa, a reader
// we did not write: it checks each level-0/1 header's checksum and stops
// listing at the first header it rejects, so every member has to be listed
// with the name, sizes and CRC-16 it was written with. Native only: lhasa is
// a Linux program.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

#include "support/header_writer.h"
#include "text/utf8.h"

namespace {

// What the command prints about the archive (it has to succeed), runs of spaces made one.
std::string listing(const std::string& command, const std::wstring& archive) {
    std::string text;
    std::FILE* pipe = popen((command + " '" + utf16_to_utf8(archive) + "' 2>&1").c_str(), "r");
    char chunk[512];
    for (size_t got; pipe && (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) text.append(chunk, got);
    EXPECT_TRUE(pipe && pclose(pipe) == 0) << command << "\n" << text;
    return std::regex_replace(text, std::regex(" +"), " ");
}

}  // namespace

TEST(HeaderWriter, LhasaListsEveryMemberOfEveryLevelAsWritten) {  // every time 0: lhasa shows none
    HeaderFields chained;  // level 1: folder, name and Unix mode in extended headers
    chained.level = 1;
    chained.os_id = 'U';
    chained.original_size = 4;
    chained.crc = 0xC829;  // CRC-16/ARC of "text"
    chained.extensions = {{EXT_FOLDER, ascii("dir\xFF" "sub\xFF")}, name_extension("chained.txt"),
                          {0x50, {0xA4, 0x81}}};
    const std::pair<Bytes, std::string> members[] = {  // the member, its line in lhasa's listing
        {stored_member(0, "zero.txt", ascii("level 0")), "[generic] 7 7 100.0% -lh0- 3dab zero.txt"},
        {stored_member(1, "one.txt", ascii("level 1")), "[MS-DOS] 7 7 100.0% -lh0- fd6a one.txt"},
        {stored_member(2, "two.txt", ascii("level 2")), "[MS-DOS] 7 7 100.0% -lh0- fc2a two.txt"},
        {member_with(chained, "", ascii("text")), "-rw-r--r-- 4 4 100.0% -lh0- c829 dir/sub/chained.txt"},
        {unix_link_member(0, "link0|target"), "lrwxrwxrwx 0/0 0 0 ****** -lhd- 0000 link0 -> target"},
        {unix_link_member(1, "link1|target"), "lrwxrwxrwx 0 0 ****** -lhd- 0000 link1 -> target"},
        {unix_link_member(2, "link2|target"), "lrwxrwxrwx 0 0 ****** -lhd- 0000 link2 -> target"},
    };
    TempDir dir;
    Bytes archive;
    for (const auto& [bytes, line] : members) archive = concat({archive, bytes});
    write_file(dir / L"helpers.lzh", concat({archive, {0}}));
    const std::string listed = listing("lhasa v", dir / L"helpers.lzh");
    for (const auto& [bytes, line] : members)
        EXPECT_NE(listed.find("\n" + line + "\n"), std::string::npos) << line << "\n" << listed;

    // lhasa reads no level-0 header without a CRC-16; libarchive does, and checks its checksum too.
    HeaderFields no_crc;
    no_crc.level = 0;
    no_crc.with_crc = false;
    no_crc.original_size = 3;
    write_file(dir / L"no-crc.lzh", concat({member_with(no_crc, "no-crc.txt", ascii("abc")), {0}}));
    const std::string by_libarchive = listing("bsdtar tvf", dir / L"no-crc.lzh");
    EXPECT_TRUE(std::regex_search(by_libarchive, std::regex(" 3 [^\n]* no-crc.txt\n"))) << by_libarchive;
}
