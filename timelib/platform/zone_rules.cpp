// The Windows yearly-rule algorithm for explicit zone records, backed by pure calendar
// arithmetic (civil_time.h).
#include "zone_rules.h"

#include <cstdint>

#include "civil_time.h"

namespace trendtab::platform {
namespace {

namespace civil = trendtab::civil;

// Ticks since 1601 of valid fields; false otherwise. wDayOfWeek is ignored.
bool Join(const SYSTEMTIME& t, std::int64_t* ticks) {
    if (t.wYear < 1601 || t.wYear > 30828 || t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1 ||
        t.wDay > civil::DaysInMonth(t.wYear, t.wMonth) || t.wHour > 23 || t.wMinute > 59 ||
        t.wSecond > 59 || t.wMilliseconds > 999) {
        return false;
    }
    const std::int64_t days =
        civil::DaysFromCivil(t.wYear, t.wMonth, t.wDay) + civil::kDaysFrom1601To1970;
    const std::int64_t result = days * civil::kTicksPerDay + t.wHour * civil::kTicksPerHour +
                                t.wMinute * civil::kTicksPerMinute +
                                t.wSecond * civil::kTicksPerSecond +
                                t.wMilliseconds * civil::kTicksPerMillisecond;
    if (static_cast<std::uint64_t>(result) >= civil::kFirstInvalidTicks) {
        return false;
    }
    *ticks = result;
    return true;
}

bool Split(std::int64_t ticks, SYSTEMTIME* t) {
    if (ticks < 0) {
        return false;
    }
    const std::int64_t days = ticks / civil::kTicksPerDay - civil::kDaysFrom1601To1970;
    const std::int64_t rest = ticks % civil::kTicksPerDay;
    const civil::CivilDate date = civil::CivilFromDays(days);
    t->wYear = static_cast<WORD>(date.year);
    t->wMonth = static_cast<WORD>(date.month);
    t->wDay = static_cast<WORD>(date.day);
    t->wDayOfWeek = static_cast<WORD>(civil::WeekdayFromDays(days));
    t->wHour = static_cast<WORD>(rest / civil::kTicksPerHour);
    t->wMinute = static_cast<WORD>(rest / civil::kTicksPerMinute % 60);
    t->wSecond = static_cast<WORD>(rest / civil::kTicksPerSecond % 60);
    t->wMilliseconds = static_cast<WORD>(rest / civil::kTicksPerMillisecond % 1000);
    return true;
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
    *ticks = days * civil::kTicksPerDay + date.wHour * civil::kTicksPerHour +
             date.wMinute * civil::kTicksPerMinute + date.wSecond * civil::kTicksPerSecond +
             date.wMilliseconds * civil::kTicksPerMillisecond;
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
    if (!IsValidRecord(zone) || !Join(utc, &t)) {
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
            ChangesInYear(zone, YearOf(standardLocal), &changes) &&
            Add(changes.daylightStart, MinutesToTicks(standardBias), &start) &&
            Add(changes.daylightEnd, MinutesToTicks(daylightBias), &end) && start != end &&
            InPeriod(t, start, end)) {
            bias = daylightBias;
        }
    }
    std::int64_t result = 0;
    if (!Add(t, -MinutesToTicks(bias), &result)) {
        return false;
    }
    return Split(result, local);
}

bool RuleLocalToUtc(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& local, SYSTEMTIME* utc) {
    std::int64_t t = 0;
    if (!IsValidRecord(zone) || !Join(local, &t)) {
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
    return Split(result, utc);
}

}  // namespace trendtab::platform
