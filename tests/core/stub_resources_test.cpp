// The resources of the stub as built (out/Sfx64.exe), read straight from its
// PE image: the icon group, the destination dialog's template, the manifest
// and the version, each in its language.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>

#include "Sfx/Sfx64/resource.h"
#include "support/files.h"

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
    const uint32_t root_rva = u32(image, optional + 112 + 2 * 8);  // data directory 2
    auto offset_of = [&](uint32_t rva) -> size_t {
        for (size_t s = sections; s < sections + 40 * u16(image, pe + 6); s += 40) {
            uint32_t start = u32(image, s + 12);
            if (rva >= start && rva < start + u32(image, s + 8))
                return rva - start + u32(image, s + 20);
        }
        ADD_FAILURE() << "RVA outside every section";
        return 0;
    };
    const size_t root = offset_of(root_rva);
    std::map<ResourceKey, Bytes> resources;
    // Walks directory at level (0 type, 1 id, 2 language) with the key so far.
    auto walk = [&](auto& self, size_t directory, int level, ResourceKey key) -> void {
        const size_t entries = u16(image, directory + 12) + u16(image, directory + 14);
        for (size_t e = directory + 16; e < directory + 16 + 8 * entries; e += 8) {
            uint32_t id = u32(image, e), target = u32(image, e + 4);
            if (level == 0) std::get<0>(key) = id;
            if (level == 1) std::get<1>(key) = id;
            if (level == 2) std::get<2>(key) = id;
            if (target & SUBDIRECTORY) {
                self(self, root + (target & ~SUBDIRECTORY), level + 1, key);
            } else {
                auto data = image.begin() + offset_of(u32(image, root + target));
                resources[key] = Bytes(data, data + u32(image, root + target + 4));
            }
        }
    };
    walk(walk, root, 0, ResourceKey{});
    return resources;
}

// A zero-terminated UTF-16 text at at; at moves past it.
std::u16string text_at(const Bytes& b, size_t& at) {
    std::u16string text;
    for (; u16(b, at) != 0; at += 2) text.push_back(static_cast<char16_t>(u16(b, at)));
    at += 2;
    return text;
}

struct DialogItem {
    int id;
    uint32_t style;
    int x, y, width, height;
    uint32_t class_atom;
    std::u16string text;
};

}  // namespace

TEST(StubResources, IconDialogManifestAndVersionInTheirLanguages) {
    auto resources = read_resources(read_file(path_from_environment("VORNSFX_STUB")));

    const Bytes& group = resources[{RT_GROUP_ICON_TYPE, IDI_APP, JAPANESE}];
    ASSERT_EQ(group.size(), 6u + 4 * 14) << "four images";
    for (size_t i = 0; i < 4; ++i) {
        const size_t entry = 6 + 14 * i;
        EXPECT_EQ(group[entry], (std::vector<int>{16, 24, 32, 48})[i]);
        EXPECT_EQ(u16(group, entry + 6), 32u) << "bits per pixel";
        EXPECT_EQ(resources.count({RT_ICON_TYPE, u16(group, entry + 12), JAPANESE}), 1u);
    }

    const Bytes& dialog = resources[{RT_DIALOG_TYPE, IDD_DESTINATION, JAPANESE}];
    ASSERT_GT(dialog.size(), 18u);
    EXPECT_EQ(u32(dialog, 0), 0x80C800C0u);
    EXPECT_EQ(u16(dialog, 14), 187u);
    EXPECT_EQ(u16(dialog, 16), 93u);
    size_t at = 22;  // behind the empty menu and class
    EXPECT_EQ(text_at(dialog, at), u"Vorn SFX");
    EXPECT_EQ(u16(dialog, at), 9u) << "points";
    at += 2;
    EXPECT_EQ(text_at(dialog, at), u"MS UI Gothic");
    const DialogItem want[] = {
        {-1, 0x50020000, 7, 6, 173, 8, 0x82, u"解凍先ﾌｫﾙﾀﾞ(&D):"},
        {IDC_DEST_EDIT, 0x50810080, 7, 15, 142, 14, 0x81, u""},
        {IDC_BROWSE, 0x50010000, 152, 15, 28, 14, 0x80, u"参照(&R)"},
        {IDC_START_MENU, 0x50010003, 7, 34, 173, 10, 0x80, u"スタートメニューに登録する(&M)"},
        {IDC_DESKTOP, 0x50010003, 7, 46, 173, 10, 0x80, u"デスクトップにショートカットを作成する(&D)"},
        {IDC_SEND_TO, 0x50010003, 7, 58, 173, 10, 0x80, u"「送る」に登録する(&T)"},
        {1, 0x50010001, 75, 74, 50, 14, 0x80, u"OK"},
        {2, 0x50010000, 130, 74, 50, 14, 0x80, u"キャンセル"},
    };
    ASSERT_EQ(u16(dialog, 8), std::size(want));
    for (const DialogItem& item : want) {
        at = (at + 3) & ~size_t{3};
        SCOPED_TRACE(item.id);
        EXPECT_EQ(u32(dialog, at), item.style);
        EXPECT_EQ(std::make_tuple(u16(dialog, at + 8), u16(dialog, at + 10), u16(dialog, at + 12),
                                  u16(dialog, at + 14), u16(dialog, at + 16)),
                  std::make_tuple(uint32_t(item.x), uint32_t(item.y), uint32_t(item.width),
                                  uint32_t(item.height), uint32_t(item.id & 0xFFFF)));
        EXPECT_EQ(u16(dialog, at + 18), 0xFFFFu) << "a class atom";
        EXPECT_EQ(u16(dialog, at + 20), item.class_atom);
        at += 22;
        EXPECT_EQ(text_at(dialog, at), item.text);
        at += 2 + u16(dialog, at);  // no creation data
    }

    const Bytes& manifest = resources[{RT_MANIFEST_TYPE, 1, US_ENGLISH}];
    const std::string xml(manifest.begin(), manifest.end());
    for (const char* part : {"level=\"highestAvailable\"", "uiAccess=\"false\"",
                             "name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
                             "processorArchitecture=\"*\"", "publicKeyToken=\"6595b64144ccf1df\""})
        EXPECT_NE(xml.find(part), std::string::npos) << part;
    EXPECT_EQ(resources.count({RT_VERSION_TYPE, 1, JAPANESE}), 1u);
}
