// Which branch harden_dll_search takes for the system it finds, through fake
// system calls: the search path is restricted where SetDefaultDllDirectories
// exists and works, except on Windows 6.0; otherwise the nine libraries are
// preloaded from the system folder, in order.
#include "Sfx/startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct FakeSystem {
    DWORD major, minor;
    bool exports_restriction;  // kernel32 has SetDefaultDllDirectories
    BOOL restriction_works;
    std::wstring system_folder;
    bool tries_restriction, preloads;  // what harden_dll_search should do
};

FakeSystem fake;
std::vector<DWORD> restrictions;  // the flags of each SetDefaultDllDirectories call
std::vector<std::wstring> loaded;

BOOL WINAPI fake_restriction(DWORD flags) {
    restrictions.push_back(flags);
    return fake.restriction_works;
}

const DllSearchCalls FAKES = {
    [](OSVERSIONINFOW* version) -> BOOL {
        EXPECT_EQ(version->dwOSVersionInfoSize, sizeof *version);
        version->dwMajorVersion = fake.major;
        version->dwMinorVersion = fake.minor;
        return TRUE;
    },
    [](HMODULE, LPCSTR name) {
        EXPECT_STREQ(name, "SetDefaultDllDirectories");
        return fake.exports_restriction ? reinterpret_cast<FARPROC>(&fake_restriction) : nullptr;
    },
    // Like the system: the length copied, or the room needed when it does not fit.
    [](LPWSTR buffer, UINT units) {
        const UINT length = static_cast<UINT>(fake.system_folder.size());
        if (length >= units) return length + 1;
        lstrcpyW(buffer, fake.system_folder.c_str());
        return length;
    },
    [](LPCWSTR path, HANDLE, DWORD flags) -> HMODULE {
        EXPECT_EQ(flags, static_cast<DWORD>(LOAD_WITH_ALTERED_SEARCH_PATH));
        loaded.push_back(path);
        return nullptr;
    },
};

}  // namespace

TEST(DllHardening, RestrictsTheSearchPathOrPreloadsFromTheSystemFolder) {
    const std::wstring folder = L"C:\\windows\\system32";
    std::vector<std::wstring> nine;
    for (const wchar_t* name : {L"UXTHEME", L"USERENV", L"SETUPAPI", L"APPHELP", L"PROPSYS",
                                L"DWMAPI", L"CRYPTBASE", L"OLEACC", L"CLBCATQ"})
        nine.push_back(folder + L"\\" + name + L".dll");
    const FakeSystem systems[] = {
        {10, 0, true, TRUE, folder, true, false},
        {6, 0, true, TRUE, folder, false, true},                     // 6.0 preloads even so
        {6, 1, false, TRUE, folder + L"\\", false, true},            // no such export
        {10, 0, true, FALSE, folder, true, true},                    // the restriction fails
        {5, 1, false, TRUE, std::wstring(261, L'x'), false, false},  // folder too long
    };
    set_dll_search_calls(&FAKES);
    for (const FakeSystem& system : systems) {
        SCOPED_TRACE(&system - systems);
        fake = system;
        restrictions.clear();
        loaded.clear();
        harden_dll_search();
        const std::vector<DWORD> tried = {0xC00};  // system folder and user folders
        EXPECT_EQ(restrictions, system.tries_restriction ? tried : std::vector<DWORD>{});
        EXPECT_EQ(loaded, system.preloads ? nine : std::vector<std::wstring>{});
    }
    set_dll_search_calls(nullptr);
}
