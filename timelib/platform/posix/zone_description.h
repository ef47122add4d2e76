// The Windows description of a zone (TIME_ZONE_INFORMATION) made from its current POSIX rule,
// and the system's current zone as the C library chooses it. Shared by GetTimeZoneInformation
// and the registry stand-in.
#pragma once

#include <cstdint>
#include <string>

#include "timelib/platform/platform.h"
#include "timelib/platform/posix/tzif_reader.h"
#include "timelib/portable/posix_tz_rule.h"
#include "timelib/portable/yearly_rule_form.h"

namespace trendtab::posix {

using platform::FixedWindowsZone;
using platform::PosixRuleToWindows;
using platform::SetZoneName;
using platform::WindowsZone;

// From the file's footer rule; without a usable one, the last transition's type as a fixed
// offset (approximated when the file knows daylight saving).
WindowsZone TzifToWindows(const TzifData& data, std::int64_t referenceYear);

// Reads and describes a zone file; false when it is no readable TZif file.
bool ZoneFileToWindows(const std::string& path, std::int64_t referenceYear, WindowsZone* zone);

// The zone database directory: TZDIR when set and not empty, else the system default.
std::string ZoneDirectory();

// The system's current zone: TZ as the C library reads it (a zone file, tried first, or a rule
// string), else /etc/localtime. StandardName is the zone's name under the zone directory where
// known, else the standard abbreviation; truncated to 31 characters.
// Where the offset in force now comes from the zone file's transition list rather than its
// footer rule, the record describes the present instead (see DescribePresent).
WindowsZone DescribeCurrentZone();

// True when TZ is set, not empty, and names neither a zone file nor a rule: the C library then
// silently uses UTC.
bool TzNamesNoZone();

// The UTC calendar year now: the reference year of day-of-year rules.
std::int64_t CurrentYear();

}  // namespace trendtab::posix
