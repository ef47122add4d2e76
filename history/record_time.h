// Record stamps turned into local calendar time.
#pragma once

#include <cstdint>

#include "convert.h"

namespace trendtab {

// A compact stamp (signed seconds since 1970, UTC) in the local time of the system's zone, as the
// runtime's 32-bit local-time breakdown gives it. False for a negative stamp: no row.
bool DecodeCompactStamp(std::int32_t stamp, RecordTime& time);

// A wide stamp (the record's first 8 bytes: FILETIME ticks in UTC, low half first) in local time,
// milliseconds included.
void DecodeWideTimestamp(const unsigned char* stamp, RecordTime& time);

}  // namespace trendtab
