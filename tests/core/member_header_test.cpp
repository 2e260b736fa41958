#include "Sfx/member_header.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/header_writer.h"
#include "support/message_recorder.h"

namespace {

HeaderRead read_from(BytesFile& archive, CMemberHeader& member) {
    return read_member_header(archive.file(), nullptr, member);
}

HeaderRead read_one(const Bytes& bytes, CMemberHeader& member) {
    BytesFile archive(bytes);
    return read_from(archive, member);
}

std::wstring path_of(const HeaderFields& f) {
    CMemberHeader member;
    EXPECT_EQ(read_one(header_bytes(f), member), HeaderRead::member);
    return member.path.c_str();
}

void set_time_zone(const char* tz) {
#ifdef _WIN32
    _putenv_s("TZ", tz);
#else
    setenv("TZ", tz, 1);
#endif
}

// 2000-03-01 00:00:00 as an MS-DOS date and time, and in seconds since 1970.
constexpr uint32_t MARCH_2000 = (20u << 25) | (3u << 21) | (1u << 16);
constexpr int64_t MARCH_2000_UTC = 951868800;

}  // namespace

TEST(MemberHeader, EachLevelYieldsTheSameRecordAndALongHeaderIsReadWhole) {
    set_time_zone("UTC0");
    for (int level = 0; level <= 2; ++level) {
        SCOPED_TRACE(level);
        HeaderFields f;
        f.level = level;
        f.method = "-lh5-";
        f.original_size = 10;
        f.time = level == 2 ? MARCH_2000_UTC : MARCH_2000;
        f.crc = 0xBEEF;
        if (level > 0) f.extensions.push_back({0x7F, Bytes(400, 0xAB)});  // a long header
        BytesFile archive(concat({member_with(f, "file.txt", Bytes{1, 2, 3}), Bytes{0}}));
        CMemberHeader member;
        ASSERT_EQ(read_from(archive, member), HeaderRead::member);
        EXPECT_EQ(member.packed_size, 3u);
        EXPECT_EQ(member.has_crc, 1);
        EXPECT_EQ(member.crc, 0xBEEF);
        EXPECT_EQ(member.mtime, MARCH_2000_UTC);
        // The file stands at the member's data, and the end follows it.
        EXPECT_EQ(archive.file().seek(3, FILE_CURRENT), archive.file().size() - 1);
        EXPECT_EQ(read_from(archive, member), HeaderRead::end);
    }
}

TEST(MemberHeader, TheTailOfALevel0HeaderIsToldByItsLength) {
    MessageRecorder quiet;
    HeaderFields f;
    f.level = 0;
    f.name = ascii("x");
    f.crc = 0x1234;
    CMemberHeader member;
    f.with_crc = false;  // H - N = 20: no CRC
    ASSERT_EQ(read_one(header_bytes(f), member), HeaderRead::member);
    EXPECT_EQ(member.has_crc, 0);
    f.with_crc = true;  // 22: a CRC, no OS id
    ASSERT_EQ(read_one(header_bytes(f), member), HeaderRead::member);
    EXPECT_EQ(member.crc, 0x1234);
    EXPECT_EQ(member.os_id, 0);
    f.with_os = true;  // 23: unknown
    EXPECT_EQ(read_one(header_bytes(f), member), HeaderRead::broken);
    f.level0_extra = Bytes{0};  // 24: CRC and OS id
    ASSERT_EQ(read_one(header_bytes(f), member), HeaderRead::member);
    EXPECT_EQ(member.os_id, 'M');
    f.with_crc = false;  // 21: unknown
    f.level0_extra.clear();
    EXPECT_EQ(read_one(header_bytes(f), member), HeaderRead::broken);
}

TEST(MemberHeader, NamesAndFoldersOfEveryKindMakeThePath) {
    // Unicode texts win over their ANSI twins in any order, at levels 1 and 2.
    for (int level = 1; level <= 2; ++level) {
        HeaderFields f;
        f.level = level;
        f.extensions = {name_extension("ansi.txt"), unicode_name_extension(L"\u540D\x01.txt"),
                        Extension{EXT_FOLDER, ascii("old")},
                        unicode_folder_extension(L"\u65B0\\sub/")};
        EXPECT_EQ(path_of(f), L"\u65B0/sub/\u540D\x01.txt") << level;
        std::swap(f.extensions[0], f.extensions[1]);
        std::swap(f.extensions[2], f.extensions[3]);
        EXPECT_EQ(path_of(f), L"\u65B0/sub/\u540D\x01.txt") << level;
    }
    const std::pair<std::vector<Extension>, std::wstring> cases[] = {
        {{Extension{EXT_FOLDER, ascii("a\xFF" "b\xFF")}}, L"a/b/"},  // no name: a folder entry
        // Folders stored without a closing separator (Amiga LHA, for one).
        {{Extension{EXT_FOLDER, ascii("subdir\xFFsubdir2")}, name_extension("hello.txt")},
         L"subdir/subdir2/hello.txt"},
        {{unicode_folder_extension(L"d"), name_extension("n")}, L"d/n"},
        // "ソフト" in Shift_JIS: the 0x5C inside its first character is no separator.
        {{Extension{EXT_FOLDER, ascii("\x83\x5C\x83t\x83g\xFF")}, name_extension("\x95\x5C.txt")},
         L"\u30BD\u30D5\u30C8/\u8868.txt"},
    };
    for (const auto& [extensions, path] : cases) {
        HeaderFields f;
        f.extensions = extensions;
        EXPECT_EQ(path_of(f), path);
    }
    // A name filling the largest header the reader takes (level 1 reads its
    // extensions one by one into it); one byte more is too much.
    MessageRecorder quiet;
    for (int level = 1; level <= 2; ++level) {
        HeaderFields f;
        f.level = level;
        f.extensions = {name_extension("")};
        f.extensions[0].data.assign(HEADER_BUFFER_SIZE - header_bytes(f).size(), 'n');
        EXPECT_EQ(path_of(f).size(), f.extensions[0].data.size()) << level;
        f.extensions[0].data.push_back('n');
        CMemberHeader member;
        EXPECT_EQ(read_one(header_bytes(f), member), HeaderRead::broken) << level;
    }
}

// (EachLevel above: level-1 extension sizes come off the packed size.)
TEST(MemberHeader, TheAttributeExtensionCountsForDosOnly) {
    HeaderFields f;
    f.level = 1;
    f.name = ascii("n");
    f.attribute = 0x20;
    f.extensions = {{0x40, Bytes{0x01}}};
    for (uint8_t os : {'M', 'H', '\0', 'U'}) {
        f.os_id = os;
        CMemberHeader member;
        ASSERT_EQ(read_one(header_bytes(f), member), HeaderRead::member);
        EXPECT_EQ(member.attribute, os == 'U' ? 0x20 : 0x01) << os;
    }
}

// A level-0 header's extension area holds a Unix mode only when Unix wrote it.
TEST(MemberHeader, UnixSymbolicLinksAreToldByTheirModeAtEveryLevel) {
    for (int level = 0; level <= 2; ++level) {
        for (bool link : {true, false}) {
            CMemberHeader member;
            ASSERT_EQ(read_one(unix_link_member(level, "lnk|/etc", link), member),
                      HeaderRead::member);
            EXPECT_EQ(is_symbolic_link(member), link) << level;
        }
    }
    CMemberHeader member;
    ASSERT_EQ(read_one(unix_link_member(0, "lnk|/etc", true, 'M'), member), HeaderRead::member);
    EXPECT_FALSE(is_symbolic_link(member));
}

TEST(MemberHeader, CleanEndsAndBrokenHeaders) {
    MessageRecorder recorder;
    CMemberHeader member;
    EXPECT_EQ(read_one(Bytes{0}, member), HeaderRead::end);
    EXPECT_EQ(read_one(Bytes(), member), HeaderRead::end);
    EXPECT_TRUE(recorder.messages().empty());

    Bytes whole = stored_member(1, "cut.txt", Bytes{1});
    for (size_t cut = 1; cut < whole.size() - 1; ++cut)
        EXPECT_EQ(read_one(Bytes(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(cut)), member),
                  HeaderRead::broken)
            << "cut at " << cut;
    EXPECT_EQ(recorder.messages().size(), whole.size() - 2);

    HeaderFields f;
    f.extensions = {{0x7F, Bytes()}};
    Bytes tiny = header_bytes(f);
    tiny[24] = 2;  // an extension too small to hold its own frame
    EXPECT_EQ(read_one(tiny, member), HeaderRead::broken);
    tiny[24] = 200;  // an extension reaching past the level-2 header
    EXPECT_EQ(read_one(tiny, member), HeaderRead::broken);
    f.level = 1;
    Bytes huge = header_bytes(f);
    huge[huge.size() - 5] = huge[huge.size() - 4] = 0xF0;  // 0xF0F0 bytes, beyond the buffer
    EXPECT_EQ(read_one(huge, member), HeaderRead::broken);
    CWinFile closed;
    EXPECT_EQ(read_member_header(closed, nullptr, member), HeaderRead::broken);

    // Behind a member whose data runs past the end of the file: no clean end.
    BytesFile archive(stored_member(2, "a", Bytes(10, 1)));
    ASSERT_EQ(read_from(archive, member), HeaderRead::member);
    archive.file().seek(1000, FILE_CURRENT);
    EXPECT_EQ(read_from(archive, member), HeaderRead::broken);
}

// A level-2 header's length is 16 bits; its low byte may be under the fixed
// fields' size, or zero like the archive's end mark. Sizes add up over
// headers of every level.
TEST(MemberHeader, Level2HeadersOfEveryLowByteAreReadAndCounted) {
    for (size_t whole : {256u, 261u, 276u, 512u}) {
        SCOPED_TRACE(whole);
        HeaderFields f;
        f.extensions = {name_extension("x.txt"), {EXT_COMMENT, Bytes()}};
        f.original_size = f.packed_size = 3;
        f.extensions.back().data.resize(whole - header_bytes(f).size());
        BytesFile archive(concat(
            {header_bytes(f), Bytes{1, 2, 3}, stored_member(1, "y", Bytes(4, 1)), Bytes{0}}));
        EXPECT_EQ(scan_total_size(archive.file()), 7u);  // and the file stays where it was
        CMemberHeader member;
        ASSERT_EQ(read_from(archive, member), HeaderRead::member);
        EXPECT_EQ(member.path.c_str(), std::wstring(L"x.txt"));
    }
    // The end mark before bytes that are no header, each lacking one sign of
    // a level-2 header of 256 bytes or more: its length's high byte (byte 0
    // here), the method's frame (1 and 5) or the level (19).
    Bytes no_length(40, 'A'), no_frame(40, 2);
    no_length[0] = 0;
    no_length[1] = no_length[5] = '-';
    no_length[19] = 2;
    Bytes no_level = no_length;
    no_level[0] = 1;
    no_level[19] = 1;
    for (const Bytes& after : {Bytes(40, 'A'), no_frame, no_length, no_level}) {
        CMemberHeader member;
        EXPECT_EQ(read_one(concat({Bytes{0}, after}), member), HeaderRead::end);
    }
}

namespace {

// The C library's timegm (_mkgmtime) is the oracle: every field of an MS-DOS
// time is counted the way it counts the fields of a struct tm, out-of-range
// days, hours, minutes and seconds included; a damaged month (0, 13-15) is
// read as the nearest real one.
int64_t oracle_utc(uint32_t value) {
    std::tm t{};
    t.tm_year = 80 + static_cast<int>(value >> 25);
    t.tm_mon = std::clamp(static_cast<int>(value >> 21 & 0x0F), 1, 12) - 1;
    t.tm_mday = static_cast<int>(value >> 16 & 0x1F);
    t.tm_hour = static_cast<int>(value >> 11 & 0x1F);
    t.tm_min = static_cast<int>(value >> 5 & 0x3F);
    t.tm_sec = 2 * static_cast<int>(value & 0x1F);
#ifdef _WIN32
    return _mkgmtime(&t);
#else
    return timegm(&t);
#endif
}

}  // namespace

TEST(DosTime, CountsLikeTheCLibraryAndConvertsLocalTimeToUtc) {
    std::mt19937 random(1980);
    std::vector<uint32_t> values;
    for (uint32_t year = 0; year < 128; ++year)  // every month of every year, around its ends
        for (uint32_t month = 0; month < 16; ++month)
            for (uint32_t day : {0u, 1u, 28u, 29u, 31u})
                values.push_back(year << 25 | month << 21 | day << 16 | random() % 0x10000);
    for (int i = 0; i < 10000; ++i) values.push_back(static_cast<uint32_t>(random()));
    values.erase(std::remove(values.begin(), values.end(), 0u), values.end());
    set_time_zone("UTC0");
    EXPECT_EQ(dos_to_unix_time(0), 0);  // no time stored
    for (uint32_t value : values) ASSERT_EQ(dos_to_unix_time(value), oracle_utc(value)) << std::hex << value;

    set_time_zone("JST-9");
    EXPECT_EQ(local_time_zone_offset(), -32400);
    for (uint32_t value : values)
        ASSERT_EQ(dos_to_unix_time(value), oracle_utc(value) - 32400) << std::hex << value;
    set_time_zone("UTC0");
}
