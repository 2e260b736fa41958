#include <ctime>

#include "member_header.h"

namespace {

constexpr int DOS_EPOCH_YEAR = 1980;
constexpr int UNIX_EPOCH_YEAR = 1970;
constexpr int MONTHS = 12;
constexpr int DAYS_BEFORE_MONTH[MONTHS] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
constexpr int MARCH = 3;

bool is_leap(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int64_t days_since_epoch(int year, int month, int day) {
    int64_t days = int64_t{365} * (year - UNIX_EPOCH_YEAR);
    for (int y = UNIX_EPOCH_YEAR; y < year; ++y) days += is_leap(y);
    // A damaged month (0, 13-15) must not reach outside the table.
    if (month < 1) month = 1;
    if (month > MONTHS) month = MONTHS;
    days += DAYS_BEFORE_MONTH[month - 1];
    if (is_leap(year) && month >= MARCH) ++days;
    return days + day - 1;
}

}  // namespace

int64_t dos_to_unix_time(uint32_t value) {
    if (value == 0) return 0;
    int second = 2 * (value & 0x1F);
    int minute = (value >> 5) & 0x3F;
    int hour = (value >> 11) & 0x1F;
    int day = (value >> 16) & 0x1F;
    int month = (value >> 21) & 0x0F;
    int year = DOS_EPOCH_YEAR + static_cast<int>(value >> 25);
    int64_t days = days_since_epoch(year, month, day);
    // Kept in 64 bits: MS-DOS dates run to 2107, far past 32-bit seconds.
    return ((days * 24 + hour) * 60 + minute) * 60 + second + local_time_zone_offset();
}

int32_t local_time_zone_offset() {
#ifdef _WIN32
    _tzset();
    long seconds_west = 0;
    _get_timezone(&seconds_west);
    return static_cast<int32_t>(seconds_west);
#else
    tzset();
    return static_cast<int32_t>(timezone);
#endif
}
