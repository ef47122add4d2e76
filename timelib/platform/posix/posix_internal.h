// Helpers shared by the POSIX service implementations.
#pragma once

#include <cstdint>
#include <ctime>

#include "timelib/platform/platform.h"
#include "timelib/portable/system_time_ticks.h"

namespace trendtab::posix {

// The 64-bit count of a FILETIME and back.
std::uint64_t ToTicks(const FILETIME& time);
FILETIME FromTicks(std::uint64_t ticks);

// ASCII letters in lower case, as the Windows services compare names; every other unit unchanged.
template <typename Char>
constexpr Char FoldCase(Char c) {
    return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

// The Windows error a service reports when it runs out of memory.
inline constexpr DWORD kOutOfMemoryError = ERROR_NOT_ENOUGH_MEMORY;

// The C library's local breakdown of a count, after tzset() so that TZ is followed as it stands.
bool LocalBreakdown(std::time_t time, std::tm* fields);

}  // namespace trendtab::posix
