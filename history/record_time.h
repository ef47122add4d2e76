// Record stamps turned into local calendar time.
#pragma once

#include <cstdint>

#include "convert.h"
#include "platform.h"
#include "time_zone.h"

namespace trendtab {

// A compact stamp (signed seconds since 1970, UTC) in the local time of the system's zone, as the
// runtime's 32-bit local-time breakdown gives it. False for a negative stamp: no row.
bool DecodeCompactStamp(std::int32_t stamp, RecordTime& time);

// A wide stamp (the record's first 8 bytes: FILETIME ticks in UTC, low half first) in local time,
// milliseconds included.
void DecodeWideTimestamp(const unsigned char* stamp, RecordTime& time);

// The calendar fields of a broken-down time; milliseconds 0.
void FillFromFields(const std::tm& fields, RecordTime& time);

// A compact record's stamp: its first 4 bytes, little-endian.
inline std::int32_t CompactStampOf(const unsigned char* record) {
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(record[0]) | static_cast<std::uint32_t>(record[1]) << 8 |
        static_cast<std::uint32_t>(record[2]) << 16 | static_cast<std::uint32_t>(record[3]) << 24);
}

// The stamps of one file. The functions above ask for the system's zone at every stamp; this
// takes it once, and gives the same fields while the zone stays the same. The plain build uses the
// functions above.
class StampDecoder {
  public:
    StampDecoder();

    bool DecodeCompact(std::int32_t stamp, RecordTime& time) const;
    void DecodeWide(const unsigned char* stamp, RecordTime& time) const;

  private:
    platform::LocalTimeSnapshot snapshot_;
    TimeZone zone_;  // the system's current zone, one for the file instead of one per stamp
    bool utcZone_;   // its standard name is "UTC": wide stamps stay as they are
};

}  // namespace trendtab
