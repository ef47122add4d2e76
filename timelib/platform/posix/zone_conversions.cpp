// Zone-specific conversions of SYSTEMTIMEs, backed by the C library's zone (tzset(3),
// localtime_r(3), mktime(3)) for a null record, by the Windows yearly rule (zone_rules.h) for
// an explicit one, and by the zone file's history (zone_history.h) for a dynamic record that
// names a zone.
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "timelib/civil_time.h"
#include "timelib/platform/platform.h"
#include "timelib/platform/posix/posix_internal.h"
#include "timelib/platform/posix/zone_history.h"
#include "timelib/portable/system_time_ticks.h"
#include "timelib/portable/zone_rules.h"

namespace civil = trendtab::civil;

namespace {

BOOL Fail() {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

// Seconds since 1970, rounded down, and the sub-second ticks of a FILETIME count.
void SplitSeconds(std::int64_t ticks, std::int64_t* seconds, std::int64_t* fraction) {
    *seconds = ticks / civil::kTicksPerSecond - civil::kSecondsFrom1601To1970;
    *fraction = ticks % civil::kTicksPerSecond;
}

// The C library's zone, with its full history.
BOOL CurrentZoneUtcToLocal(const SYSTEMTIME& utc, SYSTEMTIME* local) {
    std::int64_t ticks = 0;
    if (!trendtab::civil::JoinTicks(utc, &ticks)) {
        return Fail();
    }
    std::int64_t seconds = 0;
    std::int64_t fraction = 0;
    SplitSeconds(ticks, &seconds, &fraction);
    std::tm fields{};
    std::int64_t shifted = 0;
    if (!trendtab::posix::LocalBreakdown(static_cast<std::time_t>(seconds), &fields) ||
        __builtin_add_overflow(ticks, fields.tm_gmtoff * civil::kTicksPerSecond, &shifted) ||
        !trendtab::civil::SplitTicks(shifted, local)) {
        return Fail();
    }
    return TRUE;
}

BOOL CurrentZoneLocalToUtc(const SYSTEMTIME& local, SYSTEMTIME* utc) {
    std::int64_t ticks = 0;
    if (!trendtab::civil::JoinTicks(local, &ticks)) {
        return Fail();
    }
    std::tm fields = civil::CalendarFields(local);
    fields.tm_isdst = -1;  // the zone's rules decide, also in the repeated hour
    tzset();
    errno = 0;
    const std::time_t seconds = mktime(&fields);
    if (seconds == static_cast<std::time_t>(-1) && errno != 0) {
        return Fail();
    }
    std::int64_t result = 0;
    if (__builtin_mul_overflow(std::int64_t{seconds} + civil::kSecondsFrom1601To1970,
                               civil::kTicksPerSecond, &result) ||
        __builtin_add_overflow(result, local.wMilliseconds * civil::kTicksPerMillisecond,
                               &result) ||
        !trendtab::civil::SplitTicks(result, utc)) {
        return Fail();
    }
    return TRUE;
}

// The history of the zone a dynamic record names while its dynamic daylight time is on; null
// otherwise, and for a key that names no zone.
std::shared_ptr<const trendtab::posix::ZoneHistory> NamedHistory(
    const DYNAMIC_TIME_ZONE_INFORMATION& zone) {
    std::size_t length = 0;
    while (length < std::size(zone.TimeZoneKeyName) && zone.TimeZoneKeyName[length] != 0) {
        ++length;
    }
    std::string key;
    if (zone.DynamicDaylightTimeDisabled || length == 0 ||
        !trendtab::platform::Utf8FromWide({zone.TimeZoneKeyName, length}, &key)) {
        return nullptr;
    }
    try {
        return trendtab::posix::LoadZoneHistory(key);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// A FILETIME count shifted by an offset in seconds, split; fails outside the FILETIME range.
BOOL Shift(std::int64_t ticks, std::int32_t offset, SYSTEMTIME* output) {
    std::int64_t shifted = 0;
    if (__builtin_add_overflow(ticks, offset * civil::kTicksPerSecond, &shifted) || shifted < 0 ||
        !trendtab::civil::SplitTicks(shifted, output)) {
        return Fail();
    }
    return TRUE;
}

// UTC to local time (toLocal) or back with a zone's history.
BOOL HistoryConvert(const trendtab::posix::ZoneHistory& history, const SYSTEMTIME& input,
                    bool toLocal, SYSTEMTIME* output) {
    std::int64_t ticks = 0;
    if (!trendtab::civil::JoinTicks(input, &ticks)) {
        return Fail();
    }
    std::int64_t seconds = 0;
    std::int64_t fraction = 0;
    SplitSeconds(ticks, &seconds, &fraction);
    return Shift(ticks,
                 toLocal ? trendtab::posix::OffsetAtUtc(history, seconds)
                         : -trendtab::posix::OffsetForLocal(history, seconds),
                 output);
}

TIME_ZONE_INFORMATION StaticPart(const DYNAMIC_TIME_ZONE_INFORMATION& zone) {
    TIME_ZONE_INFORMATION info{};
    info.Bias = zone.Bias;
    std::memcpy(info.StandardName, zone.StandardName, sizeof info.StandardName);
    info.StandardDate = zone.StandardDate;
    info.StandardBias = zone.StandardBias;
    std::memcpy(info.DaylightName, zone.DaylightName, sizeof info.DaylightName);
    info.DaylightDate = zone.DaylightDate;
    info.DaylightBias = zone.DaylightBias;
    return info;
}

}  // namespace

BOOL SystemTimeToTzSpecificLocalTime(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME* utc,
                                     SYSTEMTIME* local) {
    if (zone == nullptr) {
        return CurrentZoneUtcToLocal(*utc, local);
    }
    return trendtab::platform::RuleUtcToLocal(*zone, *utc, local) ? TRUE : Fail();
}

BOOL TzSpecificLocalTimeToSystemTime(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME* local,
                                     SYSTEMTIME* utc) {
    if (zone == nullptr) {
        return CurrentZoneLocalToUtc(*local, utc);
    }
    return trendtab::platform::RuleLocalToUtc(*zone, *local, utc) ? TRUE : Fail();
}

BOOL SystemTimeToTzSpecificLocalTimeEx(const DYNAMIC_TIME_ZONE_INFORMATION* zone,
                                       const SYSTEMTIME* utc, SYSTEMTIME* local) {
    if (zone == nullptr) {
        return SystemTimeToTzSpecificLocalTime(nullptr, utc, local);
    }
    if (const auto history = NamedHistory(*zone)) {
        return HistoryConvert(*history, *utc, true, local);
    }
    const TIME_ZONE_INFORMATION info = StaticPart(*zone);
    return SystemTimeToTzSpecificLocalTime(&info, utc, local);
}

BOOL TzSpecificLocalTimeToSystemTimeEx(const DYNAMIC_TIME_ZONE_INFORMATION* zone,
                                       const SYSTEMTIME* local, SYSTEMTIME* utc) {
    if (zone == nullptr) {
        return TzSpecificLocalTimeToSystemTime(nullptr, local, utc);
    }
    if (const auto history = NamedHistory(*zone)) {
        return HistoryConvert(*history, *local, false, utc);
    }
    const TIME_ZONE_INFORMATION info = StaticPart(*zone);
    return TzSpecificLocalTimeToSystemTime(&info, local, utc);
}
