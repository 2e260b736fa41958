// The resources of the stub as built (out/Sfx64.exe), read straight from its
// PE image: the icon group, the destination dialog's template, the manifest
// and the version, each in its language.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <tuple>

#include "Sfx/Sfx64/resource.h"
#include "support/files.h"
#include "text/utf8.h"

namespace {

constexpr uint32_t RT_ICON_TYPE = 3, RT_DIALOG_TYPE = 5, RT_GROUP_ICON_TYPE = 14,
                   RT_VERSION_TYPE = 16, RT_MANIFEST_TYPE = 24;
constexpr uint32_t JAPANESE = 1041, US_ENGLISH = 1033;
constexpr uint32_t SUBDIRECTORY = 0x80000000u;

using ResourceKey = std::tuple<uint32_t, uint32_t, uint32_t>;  // type, id, language

uint32_t u16(const Bytes& b, size_t at) { return b.at(at) | b.at(at + 1) << 8; }
uint32_t u32(const Bytes& b, size_t at) { return u16(b, at) | u16(b, at + 2) << 16; }

// Every resource of the image by type, id and language (ids only, as the stub has).
std::map<ResourceKey, Bytes> read_resources(const Bytes& image) {
    const size_t pe = u32(image, 0x3C), optional = pe + 24;
    const size_t sections = optional + u16(image, pe + 20);
    auto offset_of = [&](uint32_t rva) -> size_t {
        for (size_t s = sections; s < sections + 40 * u16(image, pe + 6); s += 40) {
            uint32_t start = u32(image, s + 12);
            if (rva >= start && rva < start + u32(image, s + 8))
                return rva - start + u32(image, s + 20);
        }
        ADD_FAILURE() << "RVA outside every section";
        return 0;
    };
    const size_t root = offset_of(u32(image, optional + 112 + 2 * 8));  // data directory 2
    std::map<ResourceKey, Bytes> resources;
    // Level 0 of the tree is the type, 1 the id, 2 the language, then the data.
    auto walk = [&](auto& self, size_t directory, int level, uint32_t key[3]) -> void {
        const size_t entries = u16(image, directory + 12) + u16(image, directory + 14);
        for (size_t e = directory + 16; e < directory + 16 + 8 * entries; e += 8) {
            key[level] = u32(image, e);
            const uint32_t target = u32(image, e + 4);
            if (target & SUBDIRECTORY) {
                self(self, root + (target & ~SUBDIRECTORY), level + 1, key);
                continue;
            }
            auto data = image.begin() + offset_of(u32(image, root + target));
            resources[{key[0], key[1], key[2]}] = Bytes(data, data + u32(image, root + target + 4));
        }
    };
    uint32_t key[3] = {};
    walk(walk, root, 0, key);
    return resources;
}

// A zero-terminated UTF-16 text at at, as UTF-8; at moves past it.
std::string text_at(const Bytes& b, size_t& at) {
    std::wstring text;
    for (; u16(b, at) != 0; at += 2) text.push_back(static_cast<wchar_t>(u16(b, at)));
    at += 2;
    return utf16_to_utf8(text);
}

// The dialog item at at (DWORD-aligned first) as one line: id, style,
// position and size, class atom, text; at moves past it.
std::string dialog_item(const Bytes& b, size_t& at) {
    at = (at + 3) & ~size_t{3};
    char fields[64];
    std::snprintf(fields, sizeof fields, "%d %08x %u,%u %ux%u %x ",
                  static_cast<int16_t>(u16(b, at + 16)), u32(b, at), u16(b, at + 8),
                  u16(b, at + 10), u16(b, at + 12), u16(b, at + 14),
                  u16(b, at + 18) == 0xFFFF ? u16(b, at + 20) : 0);
    at += 22;
    std::string line = fields + text_at(b, at);
    at += 2 + u16(b, at);  // creation data, none
    return line;
}

}  // namespace

TEST(StubResources, IconDialogManifestAndVersionInTheirLanguages) {
    // scripts/test builds the stub first; a host-only tree (a copy without
    // out/) has none to read.
    const std::wstring stub = path_from_environment("VORNSFX_STUB");
    if (!exists(stub)) GTEST_SKIP() << "no stub built (cmake --build --preset win64)";
    auto resources = read_resources(read_file(stub));

    const Bytes& group = resources[{RT_GROUP_ICON_TYPE, IDI_APP, JAPANESE}];
    ASSERT_EQ(group.size(), 6u + 4 * 14) << "four images";
    for (uint32_t i = 0, sizes[] = {16, 24, 32, 48}; i < 4; ++i) {
        EXPECT_EQ(group[6 + 14 * i], sizes[i]);
        EXPECT_EQ(u16(group, 6 + 14 * i + 6), 32u) << "bits per pixel";
        EXPECT_EQ(resources.count({RT_ICON_TYPE, u16(group, 6 + 14 * i + 12), JAPANESE}), 1u);
    }

    const Bytes& dialog = resources[{RT_DIALOG_TYPE, IDD_DESTINATION, JAPANESE}];
    ASSERT_GT(dialog.size(), 18u);
    EXPECT_EQ(u32(dialog, 0), 0x80C800C0u);
    EXPECT_EQ(u16(dialog, 14), 187u);
    EXPECT_EQ(u16(dialog, 16), 93u);
    size_t at = 22;  // behind the empty menu and class
    EXPECT_EQ(text_at(dialog, at), "Vorn SFX");
    EXPECT_EQ(u16(dialog, at), 9u) << "points";
    at += 2;
    EXPECT_EQ(text_at(dialog, at), "MS UI Gothic");
    const char* const items[] = {
        "-1 50020000 7,6 173x8 82 解凍先ﾌｫﾙﾀﾞ(&D):",
        "1000 50810080 7,15 142x14 81 ",
        "1001 50010000 152,15 28x14 80 参照(&R)",
        "1002 50010003 7,34 173x10 80 スタートメニューに登録する(&M)",
        "1003 50010003 7,46 173x10 80 デスクトップにショートカットを作成する(&D)",
        "1004 50010003 7,58 173x10 80 「送る」に登録する(&T)",
        "1 50010001 75,74 50x14 80 OK",
        "2 50010000 130,74 50x14 80 キャンセル",
    };
    ASSERT_EQ(u16(dialog, 8), std::size(items));
    for (const char* item : items) EXPECT_EQ(dialog_item(dialog, at), item);

    const Bytes& manifest = resources[{RT_MANIFEST_TYPE, 1, US_ENGLISH}];
    const std::string xml(manifest.begin(), manifest.end());
    for (const char* part : {"level=\"highestAvailable\"", "uiAccess=\"false\"",
                             "name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
                             "processorArchitecture=\"*\"", "publicKeyToken=\"6595b64144ccf1df\""})
        EXPECT_NE(xml.find(part), std::string::npos) << part;
    EXPECT_EQ(resources.count({RT_VERSION_TYPE, 1, JAPANESE}), 1u);
}
