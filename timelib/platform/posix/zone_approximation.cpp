// Whether a zone's record approximates its rules, backed by the zone descriptions of the
// registry stand-in and of the current zone.
#include <string>

#include "timelib/platform/platform.h"
#include "timelib/platform/posix/zone_description.h"
#include "timelib/platform/posix/zone_keys.h"

namespace trendtab::platform {

bool ZoneRecordIsApproximated(const WCHAR* zoneKey) {
    if (zoneKey == nullptr || *zoneKey == 0) {
        return posix::DescribeCurrentZone().approximated;
    }
    std::string name;
    std::string key;
    std::vector<std::uint8_t> bytes;
    if (!Utf8FromWide(zoneKey, &name) ||
        !posix::FindZoneKey(posix::ZoneDirectory(), name, &key, &bytes)) {
        return false;
    }
    return posix::ReadZoneKeyValues(key, bytes).approximated;
}

bool TimeZoneVariableNamesNoZone() {
    return posix::TzNamesNoZone();
}

}  // namespace trendtab::platform
