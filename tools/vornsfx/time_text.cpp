#include "time_text.h"

#include <cstdio>

namespace {

constexpr int DOS_BASE_YEAR = 1980;
constexpr int64_t SECONDS_PER_DAY = 86400;
constexpr int TIME_TEXT_SIZE = 64;  // room for any year the formatter could be given
constexpr uint8_t LEVEL_UNIX_TIME = 2;

struct DateTime {
    int64_t year;
    unsigned month, day, hour, minute, second;
};

std::string text_of(const DateTime& t, const char* zone) {
    char text[TIME_TEXT_SIZE];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02u %02u:%02u:%02u %s",
                  static_cast<long long>(t.year), t.month, t.day, t.hour, t.minute, t.second, zone);
    return text;
}

// Days since 1970-01-01 to a civil date in the proleptic Gregorian calendar
// (the inverse of the usual days-from-civil; eras of 400 years, March-based
// years so that the leap day comes last).
DateTime civil_from_days(int64_t days) {
    constexpr int64_t DAYS_TO_ERA_BASE = 719468;  // 0000-03-01 to 1970-01-01
    constexpr int64_t DAYS_PER_ERA = 146097;
    days += DAYS_TO_ERA_BASE;
    const int64_t era = (days >= 0 ? days : days - (DAYS_PER_ERA - 1)) / DAYS_PER_ERA;
    const int64_t day_of_era = days - era * DAYS_PER_ERA;
    const int64_t year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const int64_t day_of_year =
        day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const int64_t month_index = (5 * day_of_year + 2) / 153;  // 0 = March
    DateTime t = {};
    t.day = static_cast<unsigned>(day_of_year - (153 * month_index + 2) / 5 + 1);
    t.month = static_cast<unsigned>(month_index < 10 ? month_index + 3 : month_index - 9);
    t.year = year_of_era + era * 400 + (t.month <= 2 ? 1 : 0);
    return t;
}

}  // namespace

std::string dos_time_text(uint32_t value) {
    DateTime t = {};
    t.second = 2 * (value & 0x1F);
    t.minute = value >> 5 & 0x3F;
    t.hour = value >> 11 & 0x1F;
    t.day = value >> 16 & 0x1F;
    t.month = value >> 21 & 0x0F;
    t.year = DOS_BASE_YEAR + (value >> 25);
    return text_of(t, "local");
}

std::string utc_time_text(int64_t seconds) {
    int64_t days = seconds / SECONDS_PER_DAY;
    int64_t rest = seconds % SECONDS_PER_DAY;
    if (rest < 0) {
        rest += SECONDS_PER_DAY;
        --days;
    }
    DateTime t = civil_from_days(days);
    t.hour = static_cast<unsigned>(rest / 3600);
    t.minute = static_cast<unsigned>(rest / 60 % 60);
    t.second = static_cast<unsigned>(rest % 60);
    return text_of(t, "UTC");
}

std::string member_time_text(const CMemberHeader& header) {
    if (header.level == LEVEL_UNIX_TIME) return utc_time_text(header.raw_time);
    return dos_time_text(static_cast<uint32_t>(header.raw_time));
}
