// Parser of POSIX TZ rule strings: std<offset>[dst[<offset>][,start[/time],end[/time]]], with
// quoted names (<+0530>), Mm.w.d, Jn and n dates, and rule times from -167 to 167 hours.
// Bounded work and no overflow for any input.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace trendtab::platform {

struct PosixChangeRule {
    enum class Kind {
        kJulian,        // Jn: day n of [1:365], February 29 never counted
        kDayOfYear,     // n: day n of [0:365], February 29 counted
        kMonthWeekDay,  // Mm.w.d
    };
    Kind kind = Kind::kMonthWeekDay;
    int day = 0;                   // Jn / n
    int month = 0;                 // [1:12]
    int week = 0;                  // [1:5], 5 = last
    int weekday = 0;               // [0:6], Sunday = 0
    std::int32_t time = 2 * 3600;  // local seconds after midnight, [-167h, 167h]
};

struct PosixZoneRule {
    std::string standardName;
    std::int32_t standardOffset = 0;  // seconds east of UTC (the TZ text counts west)
    bool hasDaylight = false;
    std::string daylightName;
    std::int32_t daylightOffset = 0;  // seconds east of UTC
    PosixChangeRule start;            // into daylight time, given in standard local time
    PosixChangeRule end;              // back to standard time, given in daylight local time
};

bool ParsePosixZoneRule(std::string_view text, PosixZoneRule* rule);

// When a change falls in a year: seconds from 1970-01-01 00:00 on the local clock in force
// before the change (a time past 24:00 or below 0 reaches into a neighbouring day).
std::int64_t LocalChangeSeconds(const PosixChangeRule& rule, std::int64_t year);

}  // namespace trendtab::platform
