// The Windows description of a zone (TIME_ZONE_INFORMATION) made from its current POSIX rule,
// and the system's current zone as the C library chooses it. Shared by GetTimeZoneInformation
// and the registry stand-in.
#pragma once

#include <cstdint>
#include <string>

#include "platform.h"
#include "posix_tz_rule.h"
#include "tzif_reader.h"

namespace trendtab::posix {

struct WindowsZone {
    TIME_ZONE_INFORMATION info{};  // StandardName: the standard abbreviation
    // The Windows yearly form cannot express the rule exactly (change times outside 0..23
    // hours, day-of-year dates, negative daylight saving, all-year daylight saving, offsets
    // in seconds, no rule after the last transition) and holds the nearest form instead.
    bool approximated = false;
};

// referenceYear places day-of-year dates (Jn, n) on a weekday of that year.
WindowsZone PosixRuleToWindows(const PosixZoneRule& rule, std::int64_t referenceYear);

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
WindowsZone DescribeCurrentZone();

// Copies UTF-8 text into a 32-unit name field, truncated to 31 units, terminated, zero-padded.
void SetZoneName(const std::string& text, WCHAR (&name)[32]);

// The UTC calendar year now: the reference year of day-of-year rules.
std::int64_t CurrentYear();

}  // namespace trendtab::posix
