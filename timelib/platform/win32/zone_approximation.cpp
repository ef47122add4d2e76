// Whether a zone's record approximates its rules: the registry's records are the system's own
// rules, never an approximation of other ones.
#include "timelib/platform/platform.h"

namespace trendtab::platform {

bool ZoneRecordIsApproximated(const WCHAR* /*zoneKey*/) {
    return false;
}

bool TimeZoneVariableNamesNoZone() {
    return false;
}

}  // namespace trendtab::platform
