// Record stamps as nanoseconds since 1970-01-01 00:00:00 UTC, the count behind numpy's
// datetime64[ns]. That type holds about 1677-09-21 to 2262-04-11; a stamp outside becomes
// kNotATime (numpy's NaT), never a shifted time.
#pragma once

#include <cstdint>
#include <limits>

namespace trendtab::python {

inline constexpr std::int64_t kNotATime = std::numeric_limits<std::int64_t>::min();

// Compact stamps: signed seconds. Every one fits (2^31 s is about 2.1e18 ns).
constexpr std::int64_t CompactStampNanoseconds(std::int32_t seconds) {
    return std::int64_t{seconds} * 1'000'000'000;
}

// Wide stamps: FILETIME ticks of 100 ns since 1601.
std::int64_t WideStampNanoseconds(std::uint64_t ticks);

}  // namespace trendtab::python
