// The shortcuts a run leaves in the shell's folders, read back the way the
// shell reads them (IShellLinkW through IPersistFile::Load).
#pragma once

#include <string>
#include <utility>
#include <vector>

// The three folders the program can put a shortcut into: the common Start
// menu programs, the common desktop, the user's Send To.
struct LinkFolder {
    int csidl;
    const char* name;
};
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
    explicit LinkCleanup(std::vector<std::wstring> names) : names_(std::move(names)) { remove(); }
    ~LinkCleanup() { remove(); }
    LinkCleanup(const LinkCleanup&) = delete;
    LinkCleanup& operator=(const LinkCleanup&) = delete;

private:
    void remove() const;
    std::vector<std::wstring> names_;
};
