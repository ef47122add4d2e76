// The Windows yearly form of a POSIX TZ rule, backed by pure calendar arithmetic.
#include "timelib/portable/yearly_rule_form.h"

#include <utility>

#include "timelib/civil_time.h"

namespace trendtab::platform {
namespace {

namespace civil = trendtab::civil;

constexpr std::int32_t kSecondsPerDay = 86'400;
constexpr std::int64_t kMillisecondsPerDay = 86'400'000;

LONG RoundedMinutes(std::int64_t seconds, bool* approximated) {
    if (seconds % 60 != 0) {
        *approximated = true;
    }
    const std::int64_t half = seconds < 0 ? -30 : 30;
    return static_cast<LONG>((seconds + half) / 60);
}

SYSTEMTIME YearlyDate(int month, int week, int weekday, std::int64_t milliseconds) {
    SYSTEMTIME date{};
    date.wMonth = static_cast<WORD>(month);
    date.wDay = static_cast<WORD>(week);
    date.wDayOfWeek = static_cast<WORD>(weekday);
    date.wHour = static_cast<WORD>(milliseconds / 3'600'000);
    date.wMinute = static_cast<WORD>(milliseconds / 60'000 % 60);
    date.wSecond = static_cast<WORD>(milliseconds / 1000 % 60);
    date.wMilliseconds = static_cast<WORD>(milliseconds % 1000);
    return date;
}

// A day-of-week-in-month change whose time lies outside one day: the yearly form whose
// instants lie closest to the rule's in the worst year. The years 2001-2028 hold every layout
// a month can have, so the worst year among them is the worst of all.
SYSTEMTIME NearestYearlyForm(const PosixChangeRule& rule) {
    const std::int64_t timeOfDay =
        (rule.time % kSecondsPerDay + kSecondsPerDay) % kSecondsPerDay * std::int64_t{1000};
    const int shiftedWeekday = static_cast<int>(
        ((rule.weekday + (rule.time - timeOfDay / 1000) / kSecondsPerDay) % 7 + 7) % 7);
    // The right weekday and time of day first: that form wins ties.
    const std::int64_t times[3] = {timeOfDay, kMillisecondsPerDay - 1, 0};
    SYSTEMTIME best{};
    std::int64_t bestWorst = INT64_MAX;
    std::int64_t bestTotal = INT64_MAX;
    for (const std::int64_t time : times) {
        for (int step = 0; step < 7; ++step) {
            const int weekday = (shiftedWeekday + 7 - step) % 7;  // then the days before it
            for (int week = 1; week <= 5; ++week) {
                const PosixChangeRule form{
                    PosixChangeRule::Kind::kMonthWeekDay, 0, rule.month, week, weekday, 0};
                std::int64_t worst = 0;
                std::int64_t total = 0;
                for (std::int64_t year = 2001; year <= 2028 && worst <= bestWorst; ++year) {
                    const std::int64_t ruleMs = LocalChangeSeconds(rule, year) * 1000;
                    const std::int64_t formMs = LocalChangeSeconds(form, year) * 1000 + time;
                    const std::int64_t error = ruleMs > formMs ? ruleMs - formMs : formMs - ruleMs;
                    worst = error > worst ? error : worst;
                    total += error;
                }
                if (worst < bestWorst || (worst == bestWorst && total < bestTotal)) {
                    best = YearlyDate(rule.month, week, weekday, time);
                    bestWorst = worst;
                    bestTotal = total;
                }
            }
        }
    }
    return best;
}

// The Windows day-of-week-in-month form of one change rule.
SYSTEMTIME ToWindowsDate(const PosixChangeRule& rule, std::int64_t year, bool* approximated) {
    if (rule.kind == PosixChangeRule::Kind::kMonthWeekDay) {
        if (rule.time >= 0 && rule.time < kSecondsPerDay) {
            return YearlyDate(rule.month, rule.week, rule.weekday, rule.time * std::int64_t{1000});
        }
        *approximated = true;
        return NearestYearlyForm(rule);
    }
    // A fixed day of the year: its weekday and week in the reference year, at the time of day
    // of the change (the day itself moves with a time outside one day).
    *approximated = true;
    const std::int64_t seconds = LocalChangeSeconds(rule, year);
    const std::int64_t firstDay = civil::DaysFromCivil(year, 1, 1);
    const std::int64_t lastDay = civil::DaysFromCivil(year, 12, 31);
    std::int64_t days = seconds / kSecondsPerDay - (seconds % kSecondsPerDay < 0 ? 1 : 0);
    std::int64_t milliseconds = (seconds - days * kSecondsPerDay) * 1000;
    // A change beyond the year stays in its first or last day.
    if (days < firstDay) {
        days = firstDay;
        milliseconds = 0;
    } else if (days > lastDay) {
        days = lastDay;
        milliseconds = kMillisecondsPerDay - 1;
    }
    const civil::CivilDate date = civil::CivilFromDays(days);
    const int week =
        date.day + 7 > civil::DaysInMonth(year, date.month) ? 5 : (date.day - 1) / 7 + 1;
    return YearlyDate(date.month, week, civil::WeekdayFromDays(days), milliseconds);
}

bool IsFirstMomentOfYear(const PosixChangeRule& rule) {
    return rule.kind != PosixChangeRule::Kind::kMonthWeekDay &&
           rule.day == (rule.kind == PosixChangeRule::Kind::kJulian ? 1 : 0) && rule.time <= 0;
}

bool IsLastMomentOfYear(const PosixChangeRule& rule, std::int32_t save) {
    return rule.kind != PosixChangeRule::Kind::kMonthWeekDay && rule.day == 365 &&
           rule.time >= kSecondsPerDay + save;
}

}  // namespace

void SetZoneName(const std::string& text, WCHAR (&name)[32]) {
    WideString wide;
    WideFromUtf8(text, &wide);
    std::size_t length = wide.size() < 31 ? wide.size() : 31;
    if (length == 31 && wide[30] >= 0xD800 && wide[30] <= 0xDBFF) {
        length = 30;  // never half a surrogate pair
    }
    std::size_t i = 0;
    for (; i < length; ++i) {
        name[i] = wide[i];
    }
    for (; i < 32; ++i) {
        name[i] = 0;
    }
}

WindowsZone FixedWindowsZone(const std::string& name, std::int64_t utcOffset, bool approximated) {
    WindowsZone zone;
    zone.approximated = approximated;
    zone.info.Bias = RoundedMinutes(-utcOffset, &zone.approximated);
    SetZoneName(name, zone.info.StandardName);
    return zone;
}

WindowsZone PosixRuleToWindows(const PosixZoneRule& rule, std::int64_t referenceYear) {
    if (!rule.hasDaylight) {
        return FixedWindowsZone(rule.standardName, rule.standardOffset, false);
    }
    const std::int32_t save = rule.daylightOffset - rule.standardOffset;
    if (IsFirstMomentOfYear(rule.start) && IsLastMomentOfYear(rule.end, save)) {
        // Daylight saving all year round: a fixed zone at the daylight offset.
        return FixedWindowsZone(rule.daylightName, rule.daylightOffset, true);
    }
    WindowsZone zone;
    PosixZoneRule ordered = rule;
    if (save < 0) {
        // Negative daylight saving: the winter time is the C library's daylight time. Windows
        // needs the later offset as daylight time, so the roles swap; each change time stays
        // in the local time in force before it.
        zone.approximated = true;
        std::swap(ordered.standardName, ordered.daylightName);
        std::swap(ordered.standardOffset, ordered.daylightOffset);
        std::swap(ordered.start, ordered.end);
    }
    zone.info.Bias = RoundedMinutes(-ordered.standardOffset, &zone.approximated);
    zone.info.StandardBias = 0;
    zone.info.DaylightBias = RoundedMinutes(
        -(std::int64_t{ordered.daylightOffset} - ordered.standardOffset), &zone.approximated);
    SetZoneName(ordered.standardName, zone.info.StandardName);
    SetZoneName(ordered.daylightName, zone.info.DaylightName);
    zone.info.DaylightDate = ToWindowsDate(ordered.start, referenceYear, &zone.approximated);
    zone.info.StandardDate = ToWindowsDate(ordered.end, referenceYear, &zone.approximated);
    return zone;
}

}  // namespace trendtab::platform
