// The exported local-time bias and calendar functions. Bias: minutes, UTC = local + bias. All
// arithmetic is 64-bit and wraps modulo 2^64, so any bias and any day count are exact.
#include <cstdint>

#include "timelib/civil_time.h"
#include "timelib/filetime_math.h"
#include "timelib/include/trendtime.h"
#include "timelib/platform/platform.h"

namespace {

namespace civil = trendtab::civil;

using trendtab::filetime::FromTicks;
using trendtab::filetime::Ticks;

// local + bias minutes, modulo 2^64.
std::uint64_t ToUtc(const FILETIME& local, LONG bias) {
    return Ticks(local) + static_cast<std::uint64_t>(std::int64_t{bias}) * civil::kTicksPerMinute;
}

// 32-bit sum that wraps instead of overflowing on absurd records.
LONG WrappedSum(LONG a, LONG b) {
    return static_cast<LONG>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

FILETIME LocalNow() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    FILETIME result{};
    SystemTimeToFileTime(&now, &result);
    return result;
}

}  // namespace

extern "C" {

TRENDTIME_API LONG CompareFileTimeBias(const FILETIME* a, LONG biasA, const FILETIME* b,
                                       LONG biasB) {
    if (biasA == biasB) {
        return CompareFileTime(a, b);
    }
    const FILETIME utcA = FromTicks(ToUtc(*a, biasA));
    const FILETIME utcB = FromTicks(ToUtc(*b, biasB));
    return CompareFileTime(&utcA, &utcB);
}

TRENDTIME_API LONG GetCurrentBias(void) {
    TIME_ZONE_INFORMATION zone{};
    switch (GetTimeZoneInformation(&zone)) {
        case TIME_ZONE_ID_STANDARD:
            return WrappedSum(zone.Bias, zone.StandardBias);
        case TIME_ZONE_ID_DAYLIGHT:
            return WrappedSum(zone.Bias, zone.DaylightBias);
        default:
            return zone.Bias;
    }
}

TRENDTIME_API BOOL FileTimeToLocalFileTimeBias(const FILETIME* utc, FILETIME* local, LONG bias) {
    // -bias in 64 bits: LONG_MIN negates without overflow.
    *local = FromTicks(Ticks(*utc) -
                       static_cast<std::uint64_t>(std::int64_t{bias}) * civil::kTicksPerMinute);
    return 1;
}

TRENDTIME_API BOOL LocalFileTimeToFileTimeBias(const FILETIME* local, FILETIME* utc, LONG bias) {
    *utc = FromTicks(ToUtc(*local, bias));
    return 1;
}

TRENDTIME_API FILETIME LocalTimeLessDays(LONG days) {
    const FILETIME now = LocalNow();
    return FromTicks(Ticks(now) -
                     static_cast<std::uint64_t>(std::int64_t{days}) * civil::kTicksPerDay);
}

TRENDTIME_API DWORD GetDayOfYear(const FILETIME* value) {
    FILETIME working{};
    SYSTEMTIME fields{};
    if (value == nullptr) {
        GetLocalTime(&fields);
        SystemTimeToFileTime(&fields, &working);
    } else {
        working = *value;
        if (!FileTimeToSystemTime(&working, &fields)) {
            return 0;
        }
    }
    fields.wMonth = 1;
    fields.wDay = 1;
    fields.wHour = fields.wMinute = fields.wSecond = fields.wMilliseconds = 0;
    FILETIME yearStart{};
    SystemTimeToFileTime(&fields, &yearStart);
    // Whole seconds, then whole days: the time of day never adds a day.
    const auto seconds =
        static_cast<DWORD>((Ticks(working) - Ticks(yearStart)) / civil::kTicksPerSecond);
    return seconds / 86'400;
}

}  // extern "C"
