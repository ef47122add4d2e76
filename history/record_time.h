// The local calendar time of one record.
#pragma once

#include <cstdint>

namespace trendtab {

// The local calendar time of one record. A failed breakdown shows as second, minute and hour -1,
// day 0, month0 -1, year1900 -1900.
struct RecordTime {
    std::int32_t second = 0;
    std::int32_t minute = 0;
    std::int32_t hour = 0;
    std::int32_t day = 0;           // day of the month, 1-31
    std::int32_t month0 = 0;        // month, 0-11
    std::int32_t year1900 = 0;      // year minus 1900
    std::int32_t milliseconds = 0;  // 0-999
};

}  // namespace trendtab
