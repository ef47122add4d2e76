// SYSTEMTIME fields and FILETIME tick counts, one into the other, by the calendar arithmetic of
// civil_time.h. Portable: the Windows yearly rule and the POSIX services both use it.
#pragma once

#include <cstdint>
#include <ctime>

#include "timelib/civil_time.h"
#include "timelib/platform/platform.h"

namespace trendtab::civil {

// False for a negative count.
inline bool SplitTicks(std::int64_t ticks, SYSTEMTIME* fields) {
    if (ticks < 0) {
        return false;
    }
    const CivilTime t = CivilFromTicks(static_cast<std::uint64_t>(ticks));
    fields->wYear = static_cast<WORD>(t.year);  // [1601, 30828]
    fields->wMonth = static_cast<WORD>(t.month);
    fields->wDayOfWeek = static_cast<WORD>(t.dayOfWeek);
    fields->wDay = static_cast<WORD>(t.day);
    fields->wHour = static_cast<WORD>(t.hour);
    fields->wMinute = static_cast<WORD>(t.minute);
    fields->wSecond = static_cast<WORD>(t.second);
    fields->wMilliseconds = static_cast<WORD>(t.millisecond);
    return true;
}

// Ticks since 1601 of valid fields; false otherwise. wDayOfWeek is ignored.
inline bool JoinTicks(const SYSTEMTIME& fields, std::int64_t* ticks) {
    const CivilTime t{fields.wYear, fields.wMonth,  fields.wDayOfWeek, fields.wDay,
                      fields.wHour, fields.wMinute, fields.wSecond,    fields.wMilliseconds};
    std::uint64_t result = 0;
    if (!TicksFromCivil(t, &result)) {
        return false;
    }
    *ticks = static_cast<std::int64_t>(result);
    return true;
}

// The calendar fields of a SYSTEMTIME as the C library's broken-down time; day of the week and of
// the year, and the daylight flag, left 0.
inline std::tm CalendarFields(const SYSTEMTIME& t) {
    std::tm fields{};
    fields.tm_year = t.wYear - 1900;
    fields.tm_mon = t.wMonth - 1;
    fields.tm_mday = t.wDay;
    fields.tm_hour = t.wHour;
    fields.tm_min = t.wMinute;
    fields.tm_sec = t.wSecond;
    return fields;
}

}  // namespace trendtab::civil
