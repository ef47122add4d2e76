// Local-time snapshot backed by the Windows runtime's _localtime32_s, which keeps its own copy of
// the zone.
#include "platform.h"

namespace trendtab::platform {

LocalTimeSnapshot::LocalTimeSnapshot() = default;

bool LocalTimeSnapshot::BreakDown32(LONG seconds, std::tm& fields) const {
    const __time32_t t = seconds;
    std::tm result;
    if (_localtime32_s(&result, &t) != 0) {
        return false;
    }
    fields = result;
    return true;
}

}  // namespace trendtab::platform
