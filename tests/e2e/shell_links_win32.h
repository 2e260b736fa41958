// The shortcuts a run leaves in the shell's folders, read back the way the
// shell reads them (IShellLinkW through IPersistFile::Load).
#pragma once

#include <string>
#include <vector>

// The three folders the program can put a shortcut into, by CSIDL.
struct LinkFolder {
    int csidl;
    const char* name;
};
extern const LinkFolder START_MENU_FOLDER;  // common Start menu programs
extern const LinkFolder DESKTOP_FOLDER;     // common desktop
extern const LinkFolder SEND_TO_FOLDER;     // the user's Send To
extern const LinkFolder LINK_FOLDERS[3];

std::wstring shell_folder_path(const LinkFolder& folder);
// folder + "\" + name + ".lnk"
std::wstring link_path(const LinkFolder& folder, const std::wstring& name);

struct ShellLink {
    bool loaded = false;
    std::wstring target;
    std::wstring working_folder;
    std::wstring icon;
    int icon_index = -1;
};
ShellLink read_link(const std::wstring& path);

// Removes the links of these names from all three folders when it is made
// (leftovers of an earlier, broken run) and when it goes away.
class LinkCleanup {
public:
    explicit LinkCleanup(std::vector<std::wstring> names);
    ~LinkCleanup();
    LinkCleanup(const LinkCleanup&) = delete;
    LinkCleanup& operator=(const LinkCleanup&) = delete;

private:
    void remove_all() const;
    std::vector<std::wstring> names_;
};
