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
    const civil::CivilTime t = civil::CivilFromTicks(static_cast<std::uint64_t>(ticks));
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

bool JoinTicks(const SYSTEMTIME& fields, std::int64_t* ticks) {
    const civil::CivilTime t{fields.wYear, fields.wMonth,  fields.wDayOfWeek, fields.wDay,
                             fields.wHour, fields.wMinute, fields.wSecond,    fields.wMilliseconds};
    std::uint64_t result = 0;
    if (!civil::TicksFromCivil(t, &result)) {
        return false;
    }
    *ticks = static_cast<std::int64_t>(result);
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
