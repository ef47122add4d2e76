// The Windows yearly form (TIME_ZONE_INFORMATION) of a POSIX TZ rule. Portable: the POSIX layer
// describes its zones with it, and every platform tests it.
#pragma once

#include <cstdint>
#include <string>

#include "timelib/platform/platform.h"
#include "timelib/portable/posix_tz_rule.h"

namespace trendtab::platform {

struct WindowsZone {
    TIME_ZONE_INFORMATION info{};  // StandardName: the standard abbreviation
    // The Windows yearly form cannot express the rule exactly (change times outside 0..23
    // hours, day-of-year dates, negative daylight saving, all-year daylight saving, offsets
    // in seconds, no rule after the last transition) and holds the nearest form instead.
    bool approximated = false;
};

// referenceYear places day-of-year dates (Jn, n) on a weekday of that year. A change at a time
// outside one day gets the form whose instants lie closest to the rule's in the worst year:
// "first Saturday 24:00" becomes first Saturday 23:59:59.999, never a week off in some years.
WindowsZone PosixRuleToWindows(const PosixZoneRule& rule, std::int64_t referenceYear);

// A zone without daylight saving at a fixed offset (seconds east of UTC, rounded to minutes).
WindowsZone FixedWindowsZone(const std::string& name, std::int64_t utcOffset, bool approximated);

// Copies UTF-8 text into a 32-unit name field, truncated to 31 units, terminated, zero-padded.
void SetZoneName(const std::string& text, WCHAR (&name)[32]);

}  // namespace trendtab::platform
