// Record stamps turned into local calendar time, the system's current zone.
//
// Compact stamps (signed seconds since 1970, UTC) are broken down as the runtime's 32-bit
// local-time conversion does; a negative one gives no row. Wide stamps (FILETIME ticks in UTC)
// are shifted into local time by a TimeZone and broken down again through a TimeValue, keeping
// the milliseconds; a zone whose standard name is "UTC" leaves them as they are.
//
// A decoder is used by one thread at a time: the per-file one keeps what it learnt of the zone.
#pragma once

#include <cstdint>
#include <ctime>

#include "history/history_file.h"
#include "history/offset_spans.h"
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
    virtual bool Decode(const unsigned char* record, RecordTime& time) = 0;
};

// The reference functions above, for records of one layout.
class ReferenceStampDecoder final : public StampDecoder {
  public:
    explicit ReferenceStampDecoder(Layout layout) : layout_(layout) {}
    bool Decode(const unsigned char* record, RecordTime& time) override;

  private:
    Layout layout_;
};

// Takes the system's zone once, for the records of one file: the same fields as the reference
// while the zone stays the same. The zone is asked for its offset from UTC a few times per
// change of offset rather than at every stamp; a stamp's fields are then those of its local
// seconds. Where the zone gives no plain offset (a leap second shown as second 60, a stamp it
// cannot break down), the stamp is broken down on its own.
class FileStampDecoder final : public StampDecoder {
  public:
    explicit FileStampDecoder(Layout layout);
    bool Decode(const unsigned char* record, RecordTime& time) override;

    bool DecodeCompact(std::int32_t seconds, RecordTime& time);
    void DecodeWide(std::uint64_t ticks, RecordTime& time);

  private:
    Layout layout_;
    platform::LocalTimeSnapshot snapshot_;
    OffsetSpans offsets_;
    TimeZone zone_;  // the system's current zone
    bool utcZone_;   // its standard name is "UTC": wide stamps stay as they are
    // The C library's zone counts leap seconds in the seconds since 1970 (a "right/" zone),
    // which a FILETIME never does: wide stamps take the designed chain.
    bool countsLeapSeconds_;
};

// The calendar fields of a broken-down time; milliseconds 0.
void FillFromFields(const std::tm& fields, RecordTime& time);

// The calendar fields of `seconds` since 1970 read on a clock with no offset; milliseconds 0.
void FillFromSeconds(std::int64_t seconds, RecordTime& time);

// The seconds since 1970 that a broken-down time's calendar fields read on a clock with no offset.
std::int64_t SecondsOfFields(const std::tm& fields);

// A broken-down local time less the instant it shows (seconds since 1970, UTC): the offset in
// force there. False for a leap second (second 60), which no offset gives.
bool OffsetOfFields(const std::tm& fields, std::int64_t seconds, std::int32_t& offset);

}  // namespace trendtab
