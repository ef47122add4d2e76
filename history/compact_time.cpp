#include "build_flavor.h"
#include "record_time.h"

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

bool DecodeCompactStamp(std::int32_t stamp, RecordTime& time) {
    if (stamp < 0) {
        return false;
    }
    const LONG count = stamp;  // the runtime's 32-bit seconds count
    const std::tm* local = _localtime32(&count);
    if (local == nullptr) {
        return false;
    }
    FillFromFields(*local, time);
    return true;
}

bool StampDecoder::DecodeCompact(std::int32_t stamp, RecordTime& time) const {
    if constexpr (kPlainBuild) {
        return DecodeCompactStamp(stamp, time);
    }
    std::tm local;
    if (stamp < 0 || !snapshot_.BreakDown32(stamp, local)) {
        return false;
    }
    FillFromFields(local, time);
    return true;
}

}  // namespace trendtab
