// Compact stamps: signed seconds since 1970 in the local time of the system's zone.
#include "history/stamp_decoder.h"

namespace trendtab {

void FillFromFields(const std::tm& fields, RecordTime& time) {
    time.second = fields.tm_sec;
    time.minute = fields.tm_min;
    time.hour = fields.tm_hour;
    time.day = fields.tm_mday;
    time.month0 = fields.tm_mon;
    time.year1900 = fields.tm_year;
    time.milliseconds = 0;
}

bool DecodeCompactStamp(std::int32_t seconds, RecordTime& time) {
    if (seconds < 0) {
        return false;
    }
    const LONG count = seconds;  // the runtime's 32-bit seconds count
    const std::tm* local = _localtime32(&count);
    if (local == nullptr) {
        return false;
    }
    FillFromFields(*local, time);
    return true;
}

bool FileStampDecoder::DecodeCompact(std::int32_t seconds, RecordTime& time) const {
    std::tm local;
    if (seconds < 0 || !snapshot_.BreakDown32(seconds, local)) {
        return false;
    }
    FillFromFields(local, time);
    return true;
}

}  // namespace trendtab
