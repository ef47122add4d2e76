#include "python/core/stamp_times.h"

#include "timelib/civil_time.h"

namespace trendtab::python {
namespace {

constexpr std::int64_t kNanosecondsPerTick = 100;
// Ticks since 1970 whose nanoseconds fit datetime64[ns]; its smallest count is NaT itself.
constexpr std::int64_t kLowestTicks = (kNotATime + 1) / kNanosecondsPerTick;
constexpr std::int64_t kHighestTicks =
    std::numeric_limits<std::int64_t>::max() / kNanosecondsPerTick;

}  // namespace

std::int64_t WideStampNanoseconds(std::uint64_t ticks) {
    if (ticks >> 63 != 0) {
        return kNotATime;  // beyond any date the type holds
    }
    const std::int64_t since1970 = static_cast<std::int64_t>(ticks) - civil::kTicksFrom1601To1970;
    if (since1970 < kLowestTicks || since1970 > kHighestTicks) {
        return kNotATime;
    }
    return since1970 * kNanosecondsPerTick;
}

}  // namespace trendtab::python
