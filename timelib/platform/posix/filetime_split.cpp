// FILETIME and SYSTEMTIME split, join and comparison, backed by pure proleptic-Gregorian
// arithmetic (civil_time.h).
#include "civil_time.h"
#include "platform.h"
#include "posix_internal.h"

namespace civil = trendtab::civil;

namespace trendtab::posix {

std::uint64_t ToTicks(const FILETIME& time) {
    return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

FILETIME FromTicks(std::uint64_t ticks) {
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

bool SplitTicks(std::int64_t ticks, SYSTEMTIME* fields) {
    if (ticks < 0) {
        return false;
    }
    const std::int64_t days = ticks / civil::kTicksPerDay - civil::kDaysFrom1601To1970;
    std::int64_t rest = ticks % civil::kTicksPerDay;
    const civil::CivilDate date = civil::CivilFromDays(days);
    fields->wYear = static_cast<WORD>(date.year);  // [1601, 30828]
    fields->wMonth = static_cast<WORD>(date.month);
    fields->wDay = static_cast<WORD>(date.day);
    fields->wDayOfWeek = static_cast<WORD>(civil::WeekdayFromDays(days));
    fields->wHour = static_cast<WORD>(rest / civil::kTicksPerHour);
    rest %= civil::kTicksPerHour;
    fields->wMinute = static_cast<WORD>(rest / civil::kTicksPerMinute);
    rest %= civil::kTicksPerMinute;
    fields->wSecond = static_cast<WORD>(rest / civil::kTicksPerSecond);
    rest %= civil::kTicksPerSecond;
    fields->wMilliseconds = static_cast<WORD>(rest / civil::kTicksPerMillisecond);
    return true;
}

bool JoinTicks(const SYSTEMTIME& fields, std::int64_t* ticks) {
    if (fields.wYear < 1601 || fields.wYear > 30828 || fields.wMonth < 1 || fields.wMonth > 12 ||
        fields.wDay < 1 || fields.wDay > civil::DaysInMonth(fields.wYear, fields.wMonth) ||
        fields.wHour > 23 || fields.wMinute > 59 || fields.wSecond > 59 ||
        fields.wMilliseconds > 999) {
        return false;
    }
    const std::int64_t days =
        civil::DaysFromCivil(fields.wYear, fields.wMonth, fields.wDay) + civil::kDaysFrom1601To1970;
    const std::int64_t result = days * civil::kTicksPerDay + fields.wHour * civil::kTicksPerHour +
                                fields.wMinute * civil::kTicksPerMinute +
                                fields.wSecond * civil::kTicksPerSecond +
                                fields.wMilliseconds * civil::kTicksPerMillisecond;
    // Year 30828 is valid only up to 2^63 - 1 ticks; no overflow is possible below it.
    if (static_cast<std::uint64_t>(result) >= civil::kFirstInvalidTicks) {
        return false;
    }
    *ticks = result;
    return true;
}

}  // namespace trendtab::posix

BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) {
    const std::uint64_t ticks = trendtab::posix::ToTicks(*fileTime);
    if (ticks >= civil::kFirstInvalidTicks) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    trendtab::posix::SplitTicks(static_cast<std::int64_t>(ticks), systemTime);
    return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, FILETIME* fileTime) {
    std::int64_t ticks = 0;
    if (!trendtab::posix::JoinTicks(*systemTime, &ticks)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *fileTime = trendtab::posix::FromTicks(static_cast<std::uint64_t>(ticks));
    return TRUE;
}

LONG CompareFileTime(const FILETIME* first, const FILETIME* second) {
    const std::uint64_t a = trendtab::posix::ToTicks(*first);
    const std::uint64_t b = trendtab::posix::ToTicks(*second);
    return a < b ? -1 : (a > b ? 1 : 0);
}
