// Helpers shared by the POSIX service implementations.
#pragma once

#include <cstdint>
#include <ctime>

#include "platform.h"

namespace trendtab::posix {

// The 64-bit count of a FILETIME and back.
std::uint64_t ToTicks(const FILETIME& time);
FILETIME FromTicks(std::uint64_t ticks);

// SYSTEMTIME split of ticks in [0, 2^63); false (fields untouched) for negative ticks.
bool SplitTicks(std::int64_t ticks, SYSTEMTIME* fields);
// Ticks of valid SYSTEMTIME fields (wDayOfWeek ignored); false for invalid fields.
bool JoinTicks(const SYSTEMTIME& fields, std::int64_t* ticks);

// The C library's local breakdown of a count, after tzset() so that TZ is followed as it stands.
bool LocalBreakdown(std::time_t time, std::tm* fields);

}  // namespace trendtab::posix
