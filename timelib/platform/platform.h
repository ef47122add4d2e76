// The Windows time, registry and runtime services the time library and the converter stand on,
// under their Windows names. The build picks the backend: the system's own services on Windows
// (win32/), our implementation of the same services elsewhere (posix/).
#pragma once

// posix/platform_backend.h or win32/platform_backend.h, named by the build; the backend
// folders are not on anyone else's include path.
#include TRENDTAB_PLATFORM_BACKEND

#include "timelib/portable/wide_text.h"  // WideString, WideFromUtf8, Utf8FromWide

#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>

namespace trendtab::platform {

// The local-time breakdowns of many stamps in a row — the runtime's 32-bit breakdown
// (`_localtime32`) and the kernel's UTC-to-local conversion — with the system's zone taken once,
// when the object is made, instead of at every call. The converter makes one per file; a stamp
// then breaks down as those services would break it down while the zone stays the same.
class LocalTimeSnapshot {
  public:
    LocalTimeSnapshot();

    // False for a count the runtime cannot split (any negative one); `fields` is then unchanged.
    bool BreakDown32(LONG seconds, std::tm& fields) const;

    // The local calendar fields of a UTC instant (seconds since 1970) in the system's zone, as
    // SystemTimeToTzSpecificLocalTime with no zone record gives them; false when it refuses.
    bool BreakDownUtc(std::int64_t seconds, std::tm& fields) const;
};

// True when the zone's registry record only approximates its rules: on POSIX, where records
// are made from the zone database's rules, for a rule the Windows yearly form cannot express;
// never on Windows. A null or empty key names the system's current zone.
bool ZoneRecordIsApproximated(const WCHAR* zoneKey);

// True when TZ is set but names neither a zone the C library can load nor a rule, so that the
// C library silently uses UTC (a typo, a trailing space); never on Windows, whose zone is the
// system's own.
bool TimeZoneVariableNamesNoZone();

}  // namespace trendtab::platform
