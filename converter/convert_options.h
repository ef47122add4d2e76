// The run's options, as the command line sets them.
#pragma once

#include <cstdint>

namespace trendtab {

// A time of day as given on the command line, stored exactly as parsed (no range check).
struct TimeOfDay {
    std::int32_t hour = 0;
    std::int32_t minute = 0;
    std::int32_t second = 0;
};

// The run's options: filled once by the command line, read-only afterwards.
struct ConvertOptions {
    char separator = '\t';
    bool extended = false;          // values at full width ("%f") instead of 10-character columns
    bool withMilliseconds = false;  // time column as HH:MM:SS.mmm
    bool hasStart = false;
    TimeOfDay start;  // earliest time of day kept, inclusive
    bool hasFinish = false;
    TimeOfDay finish;         // latest time of day kept, inclusive
    std::int32_t everyN = 0;  // keep every N-th record that passes the filters (N > 1)
};

}  // namespace trendtab
