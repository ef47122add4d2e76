// TimeZone: converts FILETIMEs between UTC and the local time of one zone, either the system's
// current zone or a zone of the registry's zone list, read at selection. Conversions never
// throw: a failure is handed to an optional error sink as a wide message, and the output keeps
// what it held. A zone named "UTC" (any letter case) converts nothing.
#pragma once

#include <cstdint>
#include <vector>

#include "timelib/platform/platform.h"

namespace trendtab {

using platform::WideString;

// Receives the conversion errors of the TimeZone objects that point at it, which it outlives.
class TimeZoneErrorSink {
  public:
    // The message is terminated wide text, valid during the call.
    virtual void ReportError(const WCHAR* message) = 0;
    virtual ~TimeZoneErrorSink() = default;
};

class TimeZone {
  public:
    // The system's current zone, no sink.
    TimeZone();
    explicit TimeZone(TimeZoneErrorSink* sink);
    // Never copied: the record pointers point into the object itself.
    TimeZone(const TimeZone&) = delete;
    TimeZone& operator=(const TimeZone&) = delete;
    ~TimeZone() = default;

    // The key name given to SelectZone, the system's standard name of its current zone, or ""
    // after a failed selection. Valid until the name changes.
    const WCHAR* GetName() const { return name.c_str(); }
    // A zone named "UTC" in any letter case: conversions leave times as they are.
    static bool IsUtcName(const WCHAR* zoneName);
    void SetErrorSink(TimeZoneErrorSink* sink) { errorSink = sink; }

    // Null, empty or the current zone's standard name (letter case ignored): the system's
    // current zone, which conversions then follow as it is at each conversion. "utc" (any
    // case): UTC, without reading the registry. Otherwise the registry zone of that key, or
    // false, leaving the current zone selected with an empty name. GetName's own text selects
    // nothing anew.
    bool SelectZone(const WCHAR* zoneName);
    // The zone at a position of a fresh EnumerateZoneKeys list; false (nothing changed) when the
    // list cannot be read or the index is outside it.
    bool SelectZoneByIndex(std::int32_t index);

    void LocalToUtc(FILETIME* time) const;
    void LocalToUtc(const FILETIME& local, FILETIME* utc) const;
    void UtcToLocal(FILETIME* time) const;
    void UtcToLocal(const FILETIME& utc, FILETIME* local) const;

    // For tools and tests: the selected zone's record (in current-zone mode the one the system
    // reported at selection), its extended form (all zero in current-zone mode), and whether the
    // conversions follow the system's current zone.
    const TIME_ZONE_INFORMATION& GetZoneInformation() const { return zoneInfo; }
    const DYNAMIC_TIME_ZONE_INFORMATION& GetDynamicZoneInformation() const { return dynamicInfo; }
    bool FollowsCurrentZone() const { return zoneInfoPtr == nullptr; }

  private:
    void Convert(bool toLocal, const FILETIME& input, FILETIME* output) const;
    static bool ReadZoneInformation(const WCHAR* zoneName, TIME_ZONE_INFORMATION* destination);

    TimeZoneErrorSink* errorSink;  // not owned; may be null
    WideString name;
    DYNAMIC_TIME_ZONE_INFORMATION dynamicInfo;
    // Both null (current-zone mode) or both at the records above (registry-zone mode).
    DYNAMIC_TIME_ZONE_INFORMATION* dynamicInfoPtr;
    TIME_ZONE_INFORMATION zoneInfo;
    TIME_ZONE_INFORMATION* zoneInfoPtr;
};

// Appends the registry's zone keys in its order; false only when the zone list key cannot be
// opened.
bool EnumerateZoneKeys(std::vector<WideString>* keys);

// Looks up the extended conversions in "Kernel32.dll", once; from then on conversions use
// those present. Release frees the library and returns every conversion to the plain path.
// Process-wide and unsynchronised.
void LoadZoneEntryPoints();
void ReleaseZoneEntryPoints();
// For tools and tests: true while both extended conversions are loaded, so that conversions of a
// registry zone take the extended path.
bool ZoneEntryPointsLoaded();

// The current zone's standard name: min(length + 1, capacity) characters, so a terminator only
// when the capacity exceeds the name's length. Returns the buffer.
WCHAR* GetCurrentZoneName(WCHAR* buffer, std::int32_t capacity);

// The current zone's bias at a UTC time in minutes, UTC minus local (-60 one hour ahead of UTC),
// halves away from zero; 0 when the conversion fails.
LONG GetBiasAt(const FILETIME& utc);

}  // namespace trendtab
