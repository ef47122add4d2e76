// Proleptic Gregorian calendar arithmetic on FILETIME ticks, shared by the platform layer on
// every platform. Pure functions, no zone.
#pragma once

#include <cstdint>

namespace trendtab::civil {

inline constexpr std::int64_t kTicksPerMillisecond = 10'000;
inline constexpr std::int64_t kTicksPerSecond = 10'000'000;
inline constexpr std::int64_t kTicksPerMinute = 60 * kTicksPerSecond;
inline constexpr std::int64_t kTicksPerHour = 60 * kTicksPerMinute;
inline constexpr std::int64_t kTicksPerDay = 24 * kTicksPerHour;  // 864,000,000,000
// Seconds from 1601-01-01 00:00:00 to 1970-01-01 00:00:00.
inline constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;
inline constexpr std::int64_t kTicksFrom1601To1970 = kSecondsFrom1601To1970 * kTicksPerSecond;
// Days from 1601-01-01 to 1970-01-01.
inline constexpr std::int64_t kDaysFrom1601To1970 = 134'774;
// FILETIMEs of 2^63 ticks and above are refused (30828-09-14 02:48:05.4775808).
inline constexpr std::uint64_t kFirstInvalidTicks = std::uint64_t{1} << 63;

constexpr bool IsLeapYear(std::int64_t year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

constexpr int DaysInMonth(std::int64_t year, int month) {  // month [1:12]
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days since 1970-01-01 of a date; month [1:12], day [1:31]. Exact for any year that keeps the
// result within +-2^61 days.
constexpr std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;  // [0, 399]
    const std::int64_t dayOfYear =
        (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;  // [0, 365]
    const std::int64_t dayOfEra =
        yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;  // [0, 146096]
    return era * 146097 + dayOfEra - 719468;
}

struct CivilDate {
    std::int64_t year;
    int month;  // [1:12]
    int day;    // [1:31]
};

constexpr CivilDate CivilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;  // [0, 146096]
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;  // [0, 399]
    const std::int64_t dayOfYear =
        dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);              // [0, 365]
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;                     // [0, 11]
    const int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);  // [1, 31]
    const int month =
        static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);  // [1, 12]
    return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

// Day of the week of a day count since 1970-01-01 (a Thursday): 0 = Sunday .. 6 = Saturday.
constexpr int WeekdayFromDays(std::int64_t days) {
    return static_cast<int>(days >= -4 ? (days + 4) % 7 : (days + 5) % 7 + 6);
}

// A FILETIME instant in calendar fields (the SYSTEMTIME fields, without the platform's type).
struct CivilTime {
    std::int64_t year;  // [1601, 30828] for FILETIMEs below 2^63
    int month;          // [1:12]
    int dayOfWeek;      // [0:6], Sunday = 0; ignored when joining
    int day;            // [1:31]
    int hour;           // [0:23]
    int minute;         // [0:59]
    int second;         // [0:59]
    int millisecond;    // [0:999]
};

// Ticks since 1601 of valid fields below 2^63 ticks; false for anything else.
constexpr bool TicksFromCivil(const CivilTime& t, std::uint64_t* ticks) {
    if (t.year < 1601 || t.year > 30828 || t.month < 1 || t.month > 12 || t.day < 1 ||
        t.day > DaysInMonth(t.year, t.month) || t.hour < 0 || t.hour > 23 || t.minute < 0 ||
        t.minute > 59 || t.second < 0 || t.second > 59 || t.millisecond < 0 ||
        t.millisecond > 999) {
        return false;
    }
    // Every term is non-negative and the sum stays below 2^64 for years up to 30828.
    const auto days =
        static_cast<std::uint64_t>(DaysFromCivil(t.year, t.month, t.day) + kDaysFrom1601To1970);
    const std::uint64_t result = days * kTicksPerDay +
                                 static_cast<std::uint64_t>(t.hour * kTicksPerHour) +
                                 static_cast<std::uint64_t>(t.minute * kTicksPerMinute) +
                                 static_cast<std::uint64_t>(t.second * kTicksPerSecond) +
                                 static_cast<std::uint64_t>(t.millisecond * kTicksPerMillisecond);
    if (result >= kFirstInvalidTicks) {
        return false;
    }
    *ticks = result;
    return true;
}

// Calendar fields of ticks since 1601, for ticks below 2^63.
constexpr CivilTime CivilFromTicks(std::uint64_t ticks) {
    const auto days = static_cast<std::int64_t>(ticks / kTicksPerDay) - kDaysFrom1601To1970;
    const auto rest = static_cast<std::int64_t>(ticks % kTicksPerDay);
    const CivilDate date = CivilFromDays(days);
    return {date.year,
            date.month,
            WeekdayFromDays(days),
            date.day,
            static_cast<int>(rest / kTicksPerHour),
            static_cast<int>(rest / kTicksPerMinute % 60),
            static_cast<int>(rest / kTicksPerSecond % 60),
            static_cast<int>(rest / kTicksPerMillisecond % 1000)};
}

static_assert(DaysFromCivil(1970, 1, 1) == 0);
static_assert(DaysFromCivil(1601, 1, 1) == -kDaysFrom1601To1970);
static_assert(kDaysFrom1601To1970 * 86'400 == kSecondsFrom1601To1970);
static_assert(WeekdayFromDays(-kDaysFrom1601To1970) == 1);  // 1601-01-01 was a Monday
static_assert(CivilFromDays(11'016).year == 2000 && CivilFromDays(11'016).month == 2 &&
              CivilFromDays(11'016).day == 29);

}  // namespace trendtab::civil
