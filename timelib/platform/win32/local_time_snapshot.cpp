// Local-time snapshot backed by the Windows runtime's _localtime32_s, which keeps its own copy of
// the zone, and by SystemTimeToTzSpecificLocalTime.
#include <cstdint>

#include "platform.h"

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
    constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;
    const std::int64_t since1601 = seconds + kSecondsFrom1601To1970;
    if (since1601 < 0 || since1601 > INT64_MAX / 10'000'000) {
        return false;
    }
    const std::uint64_t ticks = static_cast<std::uint64_t>(since1601) * 10'000'000;
    FILETIME stamp;
    stamp.dwLowDateTime = static_cast<DWORD>(ticks);
    stamp.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    SYSTEMTIME utc;
    SYSTEMTIME local;
    if (!FileTimeToSystemTime(&stamp, &utc) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
        return false;
    }
    fields = std::tm{};
    fields.tm_year = local.wYear - 1900;
    fields.tm_mon = local.wMonth - 1;
    fields.tm_mday = local.wDay;
    fields.tm_hour = local.wHour;
    fields.tm_min = local.wMinute;
    fields.tm_sec = local.wSecond;
    return true;
}

}  // namespace trendtab::platform
