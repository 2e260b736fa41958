// The resources of the stub as built (out/Sfx64.exe), read straight from its
// PE image: the icon group, the destination dialog's texts, the manifest and
// the version, each in its language.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <tuple>

#include "Sfx/Sfx64/resource.h"
#include "encoder/header_writer.h"
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

// Whether resource holds text (UTF-8 here) in UTF-16LE, as the resource
// compiler must have stored it.
bool holds(const Bytes& resource, const std::string& text) {
    const Bytes units = utf16le(utf8_to_utf16(text));
    return std::search(resource.begin(), resource.end(), units.begin(), units.end()) !=
           resource.end();
}

}  // namespace

TEST(StubResources, IconDialogManifestAndVersionInTheirLanguages) {
    // A host-only tree (a copy without out/) has no stub to read.
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
    for (const char* text : {"Vorn SFX", "MS UI Gothic", "解凍先ﾌｫﾙﾀﾞ(&D):", "参照(&R)",
                             "スタートメニューに登録する(&M)", "デスクトップにショートカットを作成する(&D)",
                             "「送る」に登録する(&T)", "キャンセル"})
        EXPECT_TRUE(holds(dialog, text)) << text;

    const Bytes& manifest = resources[{RT_MANIFEST_TYPE, 1, US_ENGLISH}];
    const std::string xml(manifest.begin(), manifest.end());
    for (const char* part : {"level=\"highestAvailable\"", "uiAccess=\"false\"",
                             "name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
                             "processorArchitecture=\"*\"", "publicKeyToken=\"6595b64144ccf1df\""})
        EXPECT_NE(xml.find(part), std::string::npos) << part;
    EXPECT_EQ(resources.count({RT_VERSION_TYPE, 1, JAPANESE}), 1u);
}
