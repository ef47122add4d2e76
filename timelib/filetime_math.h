// FILETIME arithmetic shared by the exported functions, the rest of the time library, the
// platform layer and the tools: a FILETIME is one 64-bit count of ticks; differences wrap
// modulo 2^64, divisions are unsigned.
#pragma once

#include <cstdint>

#include "timelib/civil_time.h"
#include "timelib/platform/platform.h"

namespace trendtab::filetime {

constexpr std::uint64_t Ticks(const FILETIME& time) {
    return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

constexpr FILETIME FromTicks(std::uint64_t ticks) {
    FILETIME result{};
    result.dwLowDateTime = static_cast<DWORD>(ticks);
    result.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return result;
}

// a - b, modulo 2^64.
constexpr FILETIME Difference(const FILETIME& a, const FILETIME& b) {
    return FromTicks(Ticks(a) - Ticks(b));
}

// Whole seconds, low 32 bits.
constexpr DWORD WholeSeconds(const FILETIME& value) {
    return static_cast<DWORD>(Ticks(value) / civil::kTicksPerSecond);
}

}  // namespace trendtab::filetime
