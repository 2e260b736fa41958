// Where the stub writes each member of an archive, and the members it could
// not write apart.
//
// Every stored path goes through the stub's own sanitiser, exactly as the
// stub does before writing. Windows then takes names that differ only in case
// for one name. So the written paths, case folded, are kept in two maps, one
// of files and one of folders (folder members, and every parent folder a
// member needs); a member is refused when its written path is empty, when it
// lands on a file already written (it would replace that member), or when a
// file and a folder would need the same name. Two folder members for one
// folder are harmless: the second finds the folder there.
#pragma once

#include <map>
#include <string>

#include "archive_check.h"

class WrittenPaths {
public:
    // Records the member; returns why the stub could not write it apart from
    // the members recorded before, or empty when it can.
    std::string add(const MemberEntry& entry);

private:
    std::map<std::wstring, std::string> files_;    // folded path, label of its member
    std::map<std::wstring, std::string> folders_;  // folded path, label of a member needing it
};
