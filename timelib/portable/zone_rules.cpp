// The Windows yearly-rule algorithm for explicit zone records, backed by pure calendar
// arithmetic (civil_time.h).
#include "timelib/portable/zone_rules.h"

#include "timelib/portable/system_time_ticks.h"

#include <cstdint>

#include "timelib/civil_time.h"

namespace trendtab::platform {
namespace {

namespace civil = trendtab::civil;

std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b) {
    std::int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
        return b < 0 ? INT64_MIN : INT64_MAX;
    }
    return sum;
}

std::int64_t YearOf(std::int64_t ticks) {
    return civil::CivilFromDays(ticks / civil::kTicksPerDay - civil::kDaysFrom1601To1970).year;
}

bool HasDaylightSaving(const TIME_ZONE_INFORMATION& zone) {
    return zone.DaylightDate.wMonth != 0 && zone.StandardDate.wMonth != 0;
}

bool IsValidChange(const SYSTEMTIME& date) {
    if (date.wMonth > 12 || date.wHour > 23 || date.wMinute > 59 || date.wSecond > 59 ||
        date.wMilliseconds > 999) {
        return false;
    }
    if (date.wYear != 0) {
        return date.wYear >= 1601 && date.wYear <= 30827 && date.wDay >= 1 &&
               date.wDay <= civil::DaysInMonth(date.wYear, date.wMonth);
    }
    return date.wDay >= 1 && date.wDay <= 5 && date.wDayOfWeek <= 6;
}

// The local wall-clock ticks of a change in a given year; false when it does not occur then.
bool ChangeInYear(const SYSTEMTIME& date, std::int64_t year, std::int64_t* ticks) {
    int day = date.wDay;
    if (date.wYear != 0) {
        if (date.wYear != year) {
            return false;
        }
    } else {
        const std::int64_t first = civil::DaysFromCivil(year, date.wMonth, 1);
        const int firstMatch = 1 + (date.wDayOfWeek - civil::WeekdayFromDays(first) + 7) % 7;
        day = firstMatch + 7 * (date.wDay - 1);  // wDay [1:5]
        const int length = civil::DaysInMonth(year, date.wMonth);
        while (day > length) {
            day -= 7;
        }
    }
    const std::int64_t days =
        civil::DaysFromCivil(year, date.wMonth, day) + civil::kDaysFrom1601To1970;
    const std::int64_t timeOfDay =
        date.wHour * civil::kTicksPerHour + date.wMinute * civil::kTicksPerMinute +
        date.wSecond * civil::kTicksPerSecond + date.wMilliseconds * civil::kTicksPerMillisecond;
    // Late in 30828 a change lies beyond every FILETIME: it saturates, still after them all.
    std::int64_t dayStart = 0;
    *ticks = __builtin_mul_overflow(days, civil::kTicksPerDay, &dayStart)
                 ? (days < 0 ? INT64_MIN : INT64_MAX)
                 : SaturatingAdd(dayStart, timeOfDay);
    return true;
}

struct YearChanges {
    std::int64_t daylightStart;  // wall clock, standard time
    std::int64_t daylightEnd;    // wall clock, daylight time
};

bool ChangesInYear(const TIME_ZONE_INFORMATION& zone, std::int64_t year, YearChanges* changes) {
    return ChangeInYear(zone.DaylightDate, year, &changes->daylightStart) &&
           ChangeInYear(zone.StandardDate, year, &changes->daylightEnd);
}

bool InPeriod(std::int64_t t, std::int64_t start, std::int64_t end) {
    return start < end ? (t >= start && t < end) : (t >= start || t < end);
}

std::int64_t MinutesToTicks(std::int64_t minutes) {
    return minutes * civil::kTicksPerMinute;  // |minutes| < 2^33: no overflow
}

// Biases of absurd records could push a time past the 64-bit range; such sums fail.
bool Add(std::int64_t a, std::int64_t b, std::int64_t* sum) {
    return !__builtin_add_overflow(a, b, sum);
}

bool IsValidRecord(const TIME_ZONE_INFORMATION& zone) {
    return !HasDaylightSaving(zone) ||
           (IsValidChange(zone.DaylightDate) && IsValidChange(zone.StandardDate));
}

}  // namespace

bool RuleUtcToLocal(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& utc, SYSTEMTIME* local) {
    std::int64_t t = 0;
    if (!IsValidRecord(zone) || !civil::JoinTicks(utc, &t)) {
        return false;
    }
    std::int64_t bias = zone.Bias;  // minutes
    if (HasDaylightSaving(zone)) {
        const std::int64_t standardBias = std::int64_t{zone.Bias} + zone.StandardBias;
        const std::int64_t daylightBias = std::int64_t{zone.Bias} + zone.DaylightBias;
        bias = standardBias;
        YearChanges changes{};
        std::int64_t standardLocal = 0;
        std::int64_t start = 0;
        std::int64_t end = 0;
        // Both changes are moved to UTC, each from the clock in force before it.
        if (Add(t, -MinutesToTicks(standardBias), &standardLocal) &&
            ChangesInYear(zone, YearOf(standardLocal), &changes)) {
            start = SaturatingAdd(changes.daylightStart, MinutesToTicks(standardBias));
            end = SaturatingAdd(changes.daylightEnd, MinutesToTicks(daylightBias));
            if (start != end && InPeriod(t, start, end)) {
                bias = daylightBias;
            }
        }
    }
    std::int64_t result = 0;
    if (!Add(t, -MinutesToTicks(bias), &result)) {
        return false;
    }
    return civil::SplitTicks(result, local);
}

bool RuleLocalToUtc(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& local, SYSTEMTIME* utc) {
    std::int64_t t = 0;
    if (!IsValidRecord(zone) || !civil::JoinTicks(local, &t)) {
        return false;
    }
    std::int64_t bias = zone.Bias;
    if (HasDaylightSaving(zone)) {
        bias = std::int64_t{zone.Bias} + zone.StandardBias;
        YearChanges changes{};
        if (ChangesInYear(zone, local.wYear, &changes) &&
            changes.daylightStart != changes.daylightEnd &&
            InPeriod(t, changes.daylightStart, changes.daylightEnd)) {
            bias = std::int64_t{zone.Bias} + zone.DaylightBias;
        }
    }
    std::int64_t result = 0;
    if (!Add(t, MinutesToTicks(bias), &result) || result < 0) {
        return false;
    }
    return civil::SplitTicks(result, utc);
}

}  // namespace trendtab::platform
