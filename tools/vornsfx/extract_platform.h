// What extract needs from the file system beyond CWinFile: folders one level
// at a time, and a member's place below the destination reached without ever
// following a link. A POSIX and a Win32 back end picked by CMake, like
// tool_platform.
//
// extract never makes a symbolic link (nor, on Windows, a junction or any
// other reparse point), so one found below the destination was put there by
// someone else and may lead out of it: the member whose path meets it is
// refused. The POSIX back end walks down with descriptors (openat, O_NOFOLLOW
// on every part, O_EXCL on the new file), so a link swapped in while it runs
// is met as a link too; the Win32 one checks each part's attributes and opens
// the new file without following a reparse point.
#pragma once

#include <cstdint>
#include <string>

#include "text/win_file.h"

// True when a folder stands at path afterwards (made now or there before).
bool make_one_folder(const std::wstring& path);

// How far a member's place below the destination could be prepared.
enum class PlaceOutcome {
    ready,
    link,           // a part of the path is a link: nothing made there
    folder_failed,  // a folder on the way could not be made or entered
    is_folder,      // the member's own name is a folder, not a file
    file_failed,    // the new file could not be created
};
struct Place {
    PlaceOutcome outcome = PlaceOutcome::ready;
    std::wstring link;  // with link: the path of that part, below the destination
};

// A member's file below root (the destination, taken as the user named it),
// relative being a sanitised member path ('/' between its parts).
class MemberPlace {
public:
    MemberPlace() = default;
    MemberPlace(const MemberPlace&) = delete;
    MemberPlace& operator=(const MemberPlace&) = delete;
    ~MemberPlace();

    // Makes every folder of relative that is missing, its last part included.
    Place make_folders(const std::wstring& root, const std::wstring& relative);
    // Makes the folders on the way and creates the file in place of any file
    // of that name, open for writing in output.
    Place create_file(const std::wstring& root, const std::wstring& relative, CWinFile& output);
    // Gives the finished file its header's time (access and modification)
    // through its open handle, then closes it.
    void finish(CWinFile& output, int64_t unix_time);
    // Closes and removes the file created last.
    void discard(CWinFile& output);

private:
#ifdef _WIN32
    std::wstring file_;  // the file created last
#else
    int folder_ = -1;   // the folder the file was created in
    std::string file_;  // its name there
#endif
};
