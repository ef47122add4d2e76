// The clock and the current bias, backed by clock_gettime(2), tzset(3) and localtime_r(3).
#include <time.h>

#include "timelib/civil_time.h"
#include "timelib/platform/platform.h"
#include "timelib/platform/posix/posix_internal.h"

namespace civil = trendtab::civil;

namespace trendtab::posix {

bool LocalBreakdown(std::time_t time, std::tm* fields) {
    tzset();
    return localtime_r(&time, fields) != nullptr;
}

namespace {

// Now as FILETIME ticks (UTC) plus the C library's UTC offset in force now, in seconds.
void Now(std::int64_t* utcTicks, std::int64_t* offsetSeconds) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    *utcTicks =
        (now.tv_sec + civil::kSecondsFrom1601To1970) * civil::kTicksPerSecond + now.tv_nsec / 100;
    std::tm fields{};
    *offsetSeconds = LocalBreakdown(now.tv_sec, &fields) ? fields.tm_gmtoff : 0;
}

}  // namespace
}  // namespace trendtab::posix

void GetSystemTime(SYSTEMTIME* systemTime) {
    std::int64_t ticks = 0;
    std::int64_t offset = 0;
    trendtab::posix::Now(&ticks, &offset);
    trendtab::civil::SplitTicks(ticks, systemTime);
}

void GetLocalTime(SYSTEMTIME* localTime) {
    std::int64_t ticks = 0;
    std::int64_t offset = 0;
    trendtab::posix::Now(&ticks, &offset);
    trendtab::civil::SplitTicks(ticks + offset * civil::kTicksPerSecond, localTime);
}

BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local) {
    const std::uint64_t ticks = trendtab::posix::ToTicks(*utc);
    std::int64_t now = 0;
    std::int64_t offset = 0;
    trendtab::posix::Now(&now, &offset);
    // A result outside [0, 2^63) is refused, as is any input there.
    const std::int64_t delta = offset * civil::kTicksPerSecond;
    const auto limit = static_cast<std::int64_t>(civil::kFirstInvalidTicks - 1);
    const auto value = static_cast<std::int64_t>(ticks & (civil::kFirstInvalidTicks - 1));
    if (ticks >= civil::kFirstInvalidTicks || (delta > 0 && value > limit - delta) ||
        value + delta < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::int64_t shifted = value + delta;
    *local = trendtab::posix::FromTicks(static_cast<std::uint64_t>(shifted));
    return TRUE;
}
