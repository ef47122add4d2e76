// The Windows yearly rule of an explicit TIME_ZONE_INFORMATION record: conversions between UTC
// and the record's local time. Portable; used by the POSIX layer for explicit records, and
// compiled and tested on every platform.
//
// How a record is read:
// - DaylightDate.wMonth == 0 or StandardDate.wMonth == 0: no daylight saving; local time is
//   UTC - Bias (StandardBias and DaylightBias are ignored, as for a zone without change dates).
// - Otherwise local standard time is UTC - (Bias + StandardBias), daylight time
//   UTC - (Bias + DaylightBias).
// - A change date with wYear == 0 recurs yearly: wDay-th (1..5, 5 = last) wDayOfWeek (0 = Sunday)
//   of wMonth, at wHour:wMinute:wSecond.wMilliseconds. With wYear != 0 it is absolute and occurs
//   in that year only; a year in which either change does not occur has no daylight saving.
// - DaylightDate is written in standard local time (the clock before the change), StandardDate
//   in daylight local time. Daylight saving runs from DaylightDate up to StandardDate; when
//   StandardDate comes first in the year (southern hemisphere) it runs across the new year.
// - The changes are those of the local year: the year of the local time given, or for a UTC
//   time the year of its local standard time.
#pragma once

#include "timelib/platform/platform.h"

namespace trendtab::platform {

// UTC to the record's local time. False for an invalid SYSTEMTIME or record, or a result
// outside the FILETIME range (the caller sets the last error).
bool RuleUtcToLocal(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& utc, SYSTEMTIME* local);

// Local time to UTC. A local time counts as daylight time from the DaylightDate wall-clock
// reading up to (not including) the StandardDate wall-clock reading. So in the repeated hour
// after the change to standard time, a reading is taken as daylight time (the earlier instant);
// in the hour skipped by the change to daylight time it is taken as daylight time too (as if the
// clock had been put forward: 02:30 on a 02:00 -> 03:00 change gives the instant of 01:30
// standard time).
bool RuleLocalToUtc(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& local, SYSTEMTIME* utc);

}  // namespace trendtab::platform
