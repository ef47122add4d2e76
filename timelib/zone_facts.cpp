#include "timelib/zone_facts.h"

namespace trendtab {

bool ZoneRecordIsApproximated(const WCHAR* zoneKey) {
    return platform::ZoneRecordIsApproximated(zoneKey);
}

bool TimeZoneVariableNamesNoZone() {
    return platform::TimeZoneVariableNamesNoZone();
}

}  // namespace trendtab
