// FILETIME helpers for the time library's tests.
#pragma once

#include <cstdint>
#include <ctime>

#include "timelib/civil_time.h"
#include "timelib/filetime_math.h"
#include "timelib/platform/platform.h"

namespace timelibtest {

inline FILETIME Ft(std::uint64_t ticks) {
    return trendtab::filetime::FromTicks(ticks);
}

inline std::uint64_t Ticks(const FILETIME& time) {
    return trendtab::filetime::Ticks(time);
}

inline SYSTEMTIME St(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                     int milliseconds = 0) {
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(year);
    t.wMonth = static_cast<WORD>(month);
    t.wDay = static_cast<WORD>(day);
    t.wHour = static_cast<WORD>(hour);
    t.wMinute = static_cast<WORD>(minute);
    t.wSecond = static_cast<WORD>(second);
    t.wMilliseconds = static_cast<WORD>(milliseconds);
    return t;
}

inline constexpr std::uint64_t kTicksPerSecond = 10'000'000;
inline constexpr std::uint64_t kTicksPerDay = 864'000'000'000;
inline constexpr std::uint64_t kUnixEpochTicks = 116'444'736'000'000'000;  // 1970-01-01

// Ticks of a UTC Unix time.
inline std::uint64_t UnixTicks(std::int64_t seconds) {
    return kUnixEpochTicks + static_cast<std::uint64_t>(seconds) * kTicksPerSecond;
}

// The zone's UTC offset in seconds at a Unix time (0 .. 3000), from the runtime's breakdown.
inline std::int64_t LocalOffsetAt(std::int64_t t) {
    std::tm f{};
    _localtime64_s(&f, &t);
    const std::int64_t days =
        trendtab::civil::DaysFromCivil(f.tm_year + 1900, f.tm_mon + 1, f.tm_mday);
    return days * 86'400 + f.tm_hour * 3600 + f.tm_min * 60 + f.tm_sec - t;
}

}  // namespace timelibtest
