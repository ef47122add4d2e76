// Helpers shared by the POSIX service implementations.
#pragma once

#include <cstdint>
#include <ctime>

#include "platform.h"
#include "system_time_ticks.h"

namespace trendtab::posix {

// The 64-bit count of a FILETIME and back.
std::uint64_t ToTicks(const FILETIME& time);
FILETIME FromTicks(std::uint64_t ticks);

// The C library's local breakdown of a count, after tzset() so that TZ is followed as it stands.
bool LocalBreakdown(std::time_t time, std::tm* fields);

}  // namespace trendtab::posix
