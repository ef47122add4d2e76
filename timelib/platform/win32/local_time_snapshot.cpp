// Local-time snapshot backed by the Windows runtime's _localtime32_s, which keeps its own copy of
// the zone, and by SystemTimeToTzSpecificLocalTime.
#include <cstdint>

#include "timelib/civil_time.h"
#include "timelib/filetime_math.h"
#include "timelib/platform/platform.h"
#include "timelib/portable/system_time_ticks.h"

namespace trendtab::platform {

LocalTimeSnapshot::LocalTimeSnapshot() = default;

bool LocalTimeSnapshot::BreakDown32(LONG seconds, std::tm& fields) const {
    const __time32_t t = seconds;
    std::tm result;
    if (_localtime32_s(&result, &t) != 0) {
        return false;
    }
    fields = result;
    return true;
}

bool LocalTimeSnapshot::BreakDownUtc(std::int64_t seconds, std::tm& fields) const {
    const std::int64_t since1601 = seconds + civil::kSecondsFrom1601To1970;
    if (since1601 < 0 || since1601 > INT64_MAX / civil::kTicksPerSecond) {
        return false;
    }
    const FILETIME stamp =
        filetime::FromTicks(static_cast<std::uint64_t>(since1601 * civil::kTicksPerSecond));
    SYSTEMTIME utc;
    SYSTEMTIME local;
    if (!FileTimeToSystemTime(&stamp, &utc) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
        return false;
    }
    fields = civil::CalendarFields(local);
    return true;
}

}  // namespace trendtab::platform
