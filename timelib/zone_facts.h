// What the time services know about a zone beyond its conversions: for tools that show zones.
#pragma once

#include "timelib/platform/platform.h"

namespace trendtab {

// True when the zone's registry record only approximates its rules (on POSIX, where records are
// made from the zone database, for a rule the Windows yearly form cannot say; never on Windows).
// A null or empty key names the system's current zone.
bool ZoneRecordIsApproximated(const WCHAR* zoneKey);

// True when TZ is set but names neither a zone the C library can load nor a rule, so that the
// system's zone is silently UTC (a typo); never on Windows, whose zone is the system's own.
bool TimeZoneVariableNamesNoZone();

}  // namespace trendtab
