// Record stamps turned into local calendar time, the system's current zone.
//
// Compact stamps (signed seconds since 1970, UTC) are broken down as the runtime's 32-bit
// local-time conversion does; a negative one gives no row. Wide stamps (FILETIME ticks in UTC)
// are shifted into local time by a TimeZone and broken down again through a TimeValue, keeping
// the milliseconds; a zone whose standard name is "UTC" leaves them as they are.
#pragma once

#include <cstdint>
#include <ctime>

#include "history/history_file.h"
#include "history/record_time.h"
#include "timelib/platform/platform.h"
#include "timelib/time_zone.h"

namespace trendtab {

// One stamp at a time, asking for the system's zone at every stamp: the reference.
bool DecodeCompactStamp(std::int32_t seconds, RecordTime& time);
void DecodeWideStamp(std::uint64_t ticks, RecordTime& time);

class StampDecoder {
  public:
    virtual ~StampDecoder() = default;
    // The stamp at the start of `record` in local time; false when the record gives no row.
    virtual bool Decode(const unsigned char* record, RecordTime& time) const = 0;
};

// The reference functions above, for records of one layout.
class ReferenceStampDecoder final : public StampDecoder {
  public:
    explicit ReferenceStampDecoder(Layout layout) : layout_(layout) {}
    bool Decode(const unsigned char* record, RecordTime& time) const override;

  private:
    Layout layout_;
};

// Takes the system's zone once, for the records of one file: the same fields as the reference
// while the zone stays the same.
class FileStampDecoder final : public StampDecoder {
  public:
    explicit FileStampDecoder(Layout layout);
    bool Decode(const unsigned char* record, RecordTime& time) const override;

    bool DecodeCompact(std::int32_t seconds, RecordTime& time) const;
    void DecodeWide(std::uint64_t ticks, RecordTime& time) const;

  private:
    Layout layout_;
    platform::LocalTimeSnapshot snapshot_;
    TimeZone zone_;  // the system's current zone
    bool utcZone_;   // its standard name is "UTC": wide stamps stay as they are
};

// The calendar fields of a broken-down time; milliseconds 0.
void FillFromFields(const std::tm& fields, RecordTime& time);

}  // namespace trendtab
