// Local-time snapshot backed by one tzset(3) and localtime_r(3) per stamp: localtime_r keeps the
// zone tzset read, where tzset itself may look at the zone file again on every call.
#include "timelib/platform/platform.h"

namespace trendtab::platform {

LocalTimeSnapshot::LocalTimeSnapshot() {
    tzset();
}

bool LocalTimeSnapshot::BreakDown32(LONG seconds, std::tm& fields) const {
    // The runtime splits no negative count; otherwise the same breakdown as below.
    return seconds >= 0 && BreakDownUtc(seconds, fields);
}

bool LocalTimeSnapshot::BreakDownUtc(std::int64_t seconds, std::tm& fields) const {
    // The same breakdown as the current-zone conversion of the kernel services here.
    const std::time_t t = seconds;
    std::tm result;
    if (!localtime_r(&t, &result)) {
        return false;
    }
    fields = result;
    return true;
}

}  // namespace trendtab::platform
