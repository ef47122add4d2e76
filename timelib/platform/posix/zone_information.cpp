// The current zone in Windows form, backed by zone_description.h for the record and by
// tzset(3) and localtime_r(3) for the state in force now.
#include <ctime>
#include <new>

#include "timelib/platform/platform.h"
#include "timelib/platform/posix/posix_internal.h"
#include "timelib/platform/posix/zone_description.h"

DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* zone) {
    try {
        const trendtab::posix::WindowsZone description = trendtab::posix::DescribeCurrentZone();
        *zone = description.info;
    } catch (const std::bad_alloc&) {
        SetLastError(trendtab::posix::kOutOfMemoryError);
        return TIME_ZONE_ID_INVALID;
    }
    if (zone->DaylightDate.wMonth == 0 || zone->StandardDate.wMonth == 0) {
        return TIME_ZONE_ID_UNKNOWN;
    }
    // Standard or daylight from the C library's offset now, not from the yearly dates, which
    // may approximate the zone's rule.
    std::tm now{};
    if (!trendtab::posix::LocalBreakdown(std::time(nullptr), &now)) {
        return TIME_ZONE_ID_STANDARD;
    }
    const long bias = -now.tm_gmtoff / 60;
    const long standard = long{zone->Bias} + zone->StandardBias;
    const long daylight = long{zone->Bias} + zone->DaylightBias;
    if (bias == daylight && bias != standard) {
        return TIME_ZONE_ID_DAYLIGHT;
    }
    if (bias == standard) {
        return TIME_ZONE_ID_STANDARD;
    }
    return now.tm_isdst > 0 ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD;
}
