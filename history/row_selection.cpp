#include "row_selection.h"

namespace trendtab {
namespace {

// Lexicographic order of (hour, minute, second).
int CompareTimeOfDay(const RecordTime& time, const TimeOfDay& bound) {
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

}  // namespace

RowSelection::RowSelection(const ConvertOptions& options)
    : options_(options), decimation_(options.everyN) {}

bool RowSelection::Keep(const RecordTime& time) {
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

}  // namespace trendtab
