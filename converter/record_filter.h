// Which records become rows: the time-of-day window and the keeping of every N-th record.
#pragma once

#include <cstdint>

#include "converter/convert_options.h"
#include "history/record_time.h"

namespace trendtab {

// Lexicographic order of (hour, minute, second): < 0, 0 or > 0. The date plays no part.
inline int CompareTimeOfDay(const RecordTime& time, const TimeOfDay& bound) {
    if (time.hour != bound.hour) {
        return time.hour < bound.hour ? -1 : 1;
    }
    if (time.minute != bound.minute) {
        return time.minute < bound.minute ? -1 : 1;
    }
    if (time.second != bound.second) {
        return time.second < bound.second ? -1 : 1;
    }
    return 0;
}

class RecordFilter {
  public:
    explicit RecordFilter(const ConvertOptions& options)
        : options_(options), decimation_(options.everyN) {}

    // Whether the record stamped `time` gives a row. Both bounds are inclusive and compare the
    // time of day only; of the records inside them the 1st, (N+1)th, (2N+1)th... are kept.
    bool Keep(const RecordTime& time) {
        if (options_.hasStart && CompareTimeOfDay(time, options_.start) < 0) {
            return false;
        }
        if (options_.hasFinish && CompareTimeOfDay(time, options_.finish) > 0) {
            return false;
        }
        if (options_.everyN > 1) {
            if (decimation_ != options_.everyN) {
                ++decimation_;
                return false;
            }
            decimation_ = 1;
        }
        return true;
    }

  private:
    const ConvertOptions& options_;
    std::int32_t decimation_;
};

}  // namespace trendtab
