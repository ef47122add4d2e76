// FILETIME and SYSTEMTIME split, join and comparison, backed by pure proleptic-Gregorian
// arithmetic (civil_time.h).
#include "timelib/civil_time.h"
#include "timelib/platform/platform.h"
#include "timelib/platform/posix/posix_internal.h"
#include "timelib/portable/system_time_ticks.h"

namespace civil = trendtab::civil;

namespace trendtab::posix {

std::uint64_t ToTicks(const FILETIME& time) {
    return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

FILETIME FromTicks(std::uint64_t ticks) {
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

}  // namespace trendtab::posix

BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) {
    const std::uint64_t ticks = trendtab::posix::ToTicks(*fileTime);
    if (ticks >= civil::kFirstInvalidTicks) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    trendtab::civil::SplitTicks(static_cast<std::int64_t>(ticks), systemTime);
    return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, FILETIME* fileTime) {
    std::int64_t ticks = 0;
    if (!trendtab::civil::JoinTicks(*systemTime, &ticks)) {
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
