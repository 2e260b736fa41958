// The stub's resources as Windows reads them: the manifest (elevation, common
// controls 6, DPI awareness, the Windows versions it was written for), the
// icon group and the dialog, each under the language it is given.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "Sfx/Sfx64/resource.h"
#include "support/files.h"

TEST(StubResources, ManifestIconAndDialogAreThereInTheirLanguages) {
    HMODULE stub = LoadLibraryExW(path_from_environment("VORNSFX_STUB").c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(stub);
    auto text = [stub](LPCWSTR type, int id, WORD language) {
        HRSRC found = FindResourceExW(stub, type, MAKEINTRESOURCEW(id), language);
        const char* data = found ? static_cast<const char*>(LockResource(LoadResource(stub, found))) : "";
        return std::string(data, found ? SizeofResource(stub, found) : 0);
    };
    const std::string manifest = text(RT_MANIFEST, 1, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    for (const char* element :
         {"<requestedExecutionLevel level=\"highestAvailable\" uiAccess=\"false\"/>",
          "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
          "publicKeyToken=\"6595b64144ccf1df\"",
          // System DPI aware: drawn at the screen's resolution, never stretched.
          "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>",
          // Vista, 7, 8, 8.1 and 10/11: no compatibility mode is offered.
          "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
          "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
          "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        EXPECT_NE(manifest.find(element), std::string::npos) << element << "\nin: " << manifest;
    EXPECT_NE(manifest.find("<supportedOS Id="), std::string::npos);
    const WORD japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
    EXPECT_FALSE(text(RT_GROUP_ICON, IDI_APP, japanese).empty());
    EXPECT_FALSE(text(RT_DIALOG, IDD_DESTINATION, japanese).empty());
    FreeLibrary(stub);
}
