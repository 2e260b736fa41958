// list --json: the settings and the members as one JSON document, for
// programs. Members carry the path the stub writes (its own sanitiser) beside
// the path as stored; times of level 2 are ISO 8601 UTC, those of levels 0
// and 1 are MS-DOS local times of an unknown zone, shown without one.
#pragma once

#include <string>
#include <vector>

#include "archive_check.h"
#include "input_file.h"

std::string json_listing(const InputFile& input, const std::vector<MemberEntry>& members,
                         const WalkResult& walk);
