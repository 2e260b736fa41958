// Member times as list shows them. Header levels 0 and 1 store an MS-DOS
// local date and time whose zone is unknown, so it is shown as stored and
// marked "local"; level 2 stores seconds since 1970, shown in UTC.
#pragma once

#include <cstdint>
#include <string>

#include "Sfx/member_header.h"

// "2021-06-15 12:34:56 local"; fields outside their ranges are shown as stored.
std::string dos_time_text(uint32_t value);
// "2021-06-15 03:34:56 UTC".
std::string utc_time_text(int64_t seconds);
// The member's stored time, by its header level.
std::string member_time_text(const CMemberHeader& header);
